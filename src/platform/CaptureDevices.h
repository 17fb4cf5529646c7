#pragma once
// The video-capture devices attached to the machine (V4L2 capture nodes).
// Each has a name and an identity that survives re-plugging and reboots: the
// device's /dev/v4l/by-id link (by-path when the device has no serial
// identity, the node itself as a last resort). Hot plug comes from libudev
// and is signalled on the main thread. The listing sits behind an
// enumerator interface so tests hand in a fake.
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace tessarin {

struct CaptureDeviceInfo {
    QString uniqueID;    // stable identity; also a path that opens the device
    QString name;        // the device's own product name
    QString node;        // the /dev/videoN node it has right now
    QString audioDevice; // ALSA capture device of the same hardware ("plughw:1,0"), empty when none

    bool operator==(const CaptureDeviceInfo&) const = default;
};

class CaptureDeviceEnumerator {
public:
    virtual ~CaptureDeviceEnumerator() = default;
    // Any thread. The capture devices in the system's order.
    virtual std::vector<CaptureDeviceInfo> devices() = 0;
    // Main thread, once. onChange(connected) runs on the main thread each
    // time a video device node appears (true) or goes away (false).
    virtual void watch(std::function<void(bool connected)> onChange) = 0;
};

// The enumerator of this machine: udev's video4linux devices with the
// capture capability, hot plug through a udev monitor.
std::shared_ptr<CaptureDeviceEnumerator> makeSystemCaptureEnumerator();

// Helpers of the system enumerator, open for tests.
// The stable identity among a node's udev links.
QString captureIdentity(const QString& node, const std::vector<QString>& links);
// "plughw:C,D" for an ALSA capture PCM's sysname "pcmC<C>D<D>c"; empty for any other.
QString alsaCaptureDevice(const QString& pcmSysname);

// Main thread. The current list and the hot-plug signals.
class CaptureDevices : public QObject {
    Q_OBJECT
public:
    explicit CaptureDevices(std::shared_ptr<CaptureDeviceEnumerator> enumerator = makeSystemCaptureEnumerator(),
                            QObject* parent = nullptr);
    ~CaptureDevices() override;

    // Lists the devices now (no cache: the list may change at any moment).
    std::vector<CaptureDeviceInfo> devices() const;
    std::optional<CaptureDeviceInfo> device(const QString& uniqueID) const;

    const std::shared_ptr<CaptureDeviceEnumerator>& enumerator() const { return enumerator_; }

signals:
    void connected();
    void disconnected();

private:
    std::shared_ptr<CaptureDeviceEnumerator> enumerator_;
};

} // namespace tessarin
