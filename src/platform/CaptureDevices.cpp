#include "platform/CaptureDevices.h"

#include <QPointer>
#include <QRegularExpression>

namespace tessarin {

QString captureIdentity(const QString& node, const std::vector<QString>& links)
{
    // by-id names the device by vendor, product and serial: the same after a
    // re-plug into another port and after a reboot. by-path names the port,
    // for devices without a serial identity (built-in cameras, PCI cards).
    for (const char* prefix : { "/dev/v4l/by-id/", "/dev/v4l/by-path/" }) {
        for (const QString& link : links) {
            if (link.startsWith(QLatin1String(prefix)))
                return link;
        }
    }
    return node;
}

QString alsaCaptureDevice(const QString& pcmSysname)
{
    static const QRegularExpression pattern(QStringLiteral("^pcmC(\\d+)D(\\d+)c$"));
    const auto match = pattern.match(pcmSysname);
    if (!match.hasMatch())
        return {};
    // plughw lets ALSA convert rate and format when the hardware offers only
    // a few; the card number is looked up each time a session opens.
    return QStringLiteral("plughw:%1,%2").arg(match.captured(1), match.captured(2));
}

CaptureDevices::CaptureDevices(std::shared_ptr<CaptureDeviceEnumerator> enumerator, QObject* parent)
    : QObject(parent)
    , enumerator_(std::move(enumerator))
{
    if (!enumerator_)
        return;
    QPointer<CaptureDevices> self(this);
    enumerator_->watch([self](bool isConnected) {
        if (!self)
            return;
        if (isConnected)
            emit self->connected();
        else
            emit self->disconnected();
    });
}

CaptureDevices::~CaptureDevices() = default;

std::vector<CaptureDeviceInfo> CaptureDevices::devices() const
{
    return enumerator_ ? enumerator_->devices() : std::vector<CaptureDeviceInfo> {};
}

std::optional<CaptureDeviceInfo> CaptureDevices::device(const QString& uniqueID) const
{
    for (auto& info : devices()) {
        if (info.uniqueID == uniqueID)
            return info;
    }
    return std::nullopt;
}

} // namespace tessarin
