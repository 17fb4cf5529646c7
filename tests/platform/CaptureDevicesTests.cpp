#include "platform/CaptureDevices.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

using namespace tessarin;

namespace {

class FakeEnumerator final : public CaptureDeviceEnumerator {
public:
    std::vector<CaptureDeviceInfo> list;
    std::vector<std::function<void(bool)>> watchers;

    std::vector<CaptureDeviceInfo> devices() override { return list; }
    void watch(std::function<void(bool)> onChange) override { watchers.push_back(std::move(onChange)); }
    void plug(bool connected)
    {
        for (auto& w : watchers)
            w(connected);
    }
};

} // namespace

TEST(CaptureDevices, HotPlugBecomesConnectedAndDisconnectedSignals)
{
    auto fake = std::make_shared<FakeEnumerator>();
    auto devices = std::make_unique<CaptureDevices>(fake);
    QSignalSpy connected(devices.get(), &CaptureDevices::connected);
    QSignalSpy disconnected(devices.get(), &CaptureDevices::disconnected);

    fake->plug(true);
    fake->plug(false);
    fake->plug(true);
    EXPECT_EQ(connected.count(), 2);
    EXPECT_EQ(disconnected.count(), 1);

    // An event after the list's owner is gone reaches nobody.
    devices.reset();
    fake->plug(true);
}

TEST(CaptureDevices, IdentityPrefersTheSerialLinkThenThePortLink)
{
    const QString node = "/dev/video2";
    const QString byId = "/dev/v4l/by-id/usb-Elgato_Cam_Link_4K_0004-video-index0";
    const QString byPath = "/dev/v4l/by-path/pci-0000:00:14.0-usb-0:2:1.0-video-index0";
    EXPECT_EQ(captureIdentity(node, { byPath, byId }), byId);
    EXPECT_EQ(captureIdentity(node, { "/dev/something", byPath }), byPath);
    EXPECT_EQ(captureIdentity(node, {}), node);
}

TEST(CaptureDevices, OnlyCapturePcmNodesPairAsSound)
{
    EXPECT_EQ(alsaCaptureDevice("pcmC2D0c"), "plughw:2,0");
    EXPECT_EQ(alsaCaptureDevice("pcmC10D3c"), "plughw:10,3");
    EXPECT_EQ(alsaCaptureDevice("pcmC2D0p"), ""); // playback
    EXPECT_EQ(alsaCaptureDevice("controlC2"), "");
    EXPECT_EQ(alsaCaptureDevice("pcmC2D0cx"), "");
}

TEST(CaptureDevices, SystemEnumeratorListsWithoutFailing)
{
    // This machine may have no camera and no udev daemon; listing and
    // watching must still work (and every entry must be a usable node).
    CaptureDevices devices;
    for (const auto& device : devices.devices()) {
        EXPECT_FALSE(device.uniqueID.isEmpty());
        EXPECT_TRUE(device.node.startsWith("/dev/"));
    }
}
