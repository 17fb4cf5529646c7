// The system's capture-device enumerator: libudev lists the video4linux
// devices and their links, and a udev monitor, read on the main thread
// through a socket notifier, reports nodes that come and go.
#include "platform/CaptureDevices.h"

#include <QSocketNotifier>

#include <libudev.h>
#include <linux/videodev2.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstring>
#include <memory>

namespace tessarin {
namespace {

struct UdevDeleter {
    void operator()(udev* u) const { udev_unref(u); }
    void operator()(udev_device* d) const { udev_device_unref(d); }
    void operator()(udev_enumerate* e) const { udev_enumerate_unref(e); }
    void operator()(udev_monitor* m) const { udev_monitor_unref(m); }
};
template <typename T>
using UdevPtr = std::unique_ptr<T, UdevDeleter>;

QString text(const char* value)
{
    return value ? QString::fromUtf8(value) : QString();
}

// Whether a node captures video. udev's v4l_id writes the capabilities as a
// property; without it the node is asked directly. A node we may not open is
// kept: the session opening it reports why it cannot.
bool isCaptureNode(udev_device* device, const char* node)
{
    if (const char* caps = udev_device_get_property_value(device, "ID_V4L_CAPABILITIES"))
        return std::strstr(caps, ":capture:") != nullptr;
    const int fd = ::open(node, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return true;
    v4l2_capability caps {};
    bool capture = false;
    if (::ioctl(fd, VIDIOC_QUERYCAP, &caps) == 0) {
        const unsigned effective = (caps.capabilities & V4L2_CAP_DEVICE_CAPS) ? caps.device_caps : caps.capabilities;
        capture = (effective & (V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_VIDEO_CAPTURE_MPLANE)) != 0;
    }
    ::close(fd);
    return capture;
}

QString deviceName(udev_device* device, const QString& node)
{
    if (const char* product = udev_device_get_property_value(device, "ID_V4L_PRODUCT"))
        return text(product).trimmed();
    if (const char* name = udev_device_get_sysattr_value(device, "name"))
        return text(name).trimmed();
    return node;
}

// The piece of hardware a node belongs to: the USB device for USB cameras,
// the node's parent bus device (a PCI card) otherwise.
udev_device* hardwareOf(udev_device* device)
{
    if (auto* usb = udev_device_get_parent_with_subsystem_devtype(device, "usb", "usb_device"))
        return usb;
    return udev_device_get_parent(device);
}

bool descendsFrom(udev_device* device, const char* ancestorSyspath)
{
    for (auto* d = udev_device_get_parent(device); d; d = udev_device_get_parent(d)) {
        const char* path = udev_device_get_syspath(d);
        if (path && std::strcmp(path, ancestorSyspath) == 0)
            return true;
    }
    return false;
}

QString pairedAudioDevice(udev* context, udev_device* video)
{
    udev_device* hardware = hardwareOf(video);
    const char* hardwarePath = hardware ? udev_device_get_syspath(hardware) : nullptr;
    if (!hardwarePath)
        return {};
    UdevPtr<udev_enumerate> sounds(udev_enumerate_new(context));
    if (!sounds)
        return {};
    udev_enumerate_add_match_subsystem(sounds.get(), "sound");
    udev_enumerate_scan_devices(sounds.get());
    udev_list_entry* entry;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(sounds.get()))
    {
        UdevPtr<udev_device> pcm(udev_device_new_from_syspath(context, udev_list_entry_get_name(entry)));
        if (!pcm)
            continue;
        const QString alsa = alsaCaptureDevice(text(udev_device_get_sysname(pcm.get())));
        if (!alsa.isEmpty() && descendsFrom(pcm.get(), hardwarePath))
            return alsa;
    }
    return {};
}

class UdevCaptureEnumerator final : public CaptureDeviceEnumerator {
public:
    UdevCaptureEnumerator()
        : udev_(udev_new())
    {
    }

    std::vector<CaptureDeviceInfo> devices() override
    {
        std::vector<CaptureDeviceInfo> result;
        // Each call has its own udev context: libudev objects are not thread-safe.
        UdevPtr<udev> context(udev_new());
        if (!context)
            return result;
        UdevPtr<udev_enumerate> list(udev_enumerate_new(context.get()));
        if (!list)
            return result;
        udev_enumerate_add_match_subsystem(list.get(), "video4linux");
        udev_enumerate_scan_devices(list.get());
        udev_list_entry* entry;
        udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(list.get()))
        {
            UdevPtr<udev_device> device(udev_device_new_from_syspath(context.get(), udev_list_entry_get_name(entry)));
            if (!device)
                continue;
            const char* node = udev_device_get_devnode(device.get());
            if (!node || !isCaptureNode(device.get(), node))
                continue;
            std::vector<QString> links;
            udev_list_entry* link;
            udev_list_entry_foreach(link, udev_device_get_devlinks_list_entry(device.get()))
                links.push_back(text(udev_list_entry_get_name(link)));
            CaptureDeviceInfo info;
            info.node = text(node);
            info.uniqueID = captureIdentity(info.node, links);
            info.name = deviceName(device.get(), info.node);
            info.audioDevice = pairedAudioDevice(context.get(), device.get());
            result.push_back(std::move(info));
        }
        return result;
    }

    void watch(std::function<void(bool)> onChange) override
    {
        watchers_.push_back(std::move(onChange));
        if (monitor_ || !udev_)
            return;
        monitor_.reset(udev_monitor_new_from_netlink(udev_.get(), "udev"));
        if (!monitor_)
            return; // no udev daemon (containers): the list is still read, without hot plug
        udev_monitor_filter_add_match_subsystem_devtype(monitor_.get(), "video4linux", nullptr);
        if (udev_monitor_enable_receiving(monitor_.get()) < 0) {
            monitor_.reset();
            return;
        }
        const int fd = udev_monitor_get_fd(monitor_.get());
        notifier_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { readEvent(); });
    }

private:
    void readEvent()
    {
        UdevPtr<udev_device> device(udev_monitor_receive_device(monitor_.get()));
        if (!device)
            return;
        const char* action = udev_device_get_action(device.get());
        if (!action)
            return;
        bool connected;
        if (std::strcmp(action, "add") == 0)
            connected = true;
        else if (std::strcmp(action, "remove") == 0)
            connected = false;
        else
            return;
        for (auto& watcher : watchers_)
            watcher(connected);
    }

    UdevPtr<udev> udev_;
    UdevPtr<udev_monitor> monitor_;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::vector<std::function<void(bool)>> watchers_;
};

} // namespace

std::shared_ptr<CaptureDeviceEnumerator> makeSystemCaptureEnumerator()
{
    return std::make_shared<UdevCaptureEnumerator>();
}

} // namespace tessarin
