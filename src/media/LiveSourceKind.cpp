#include "media/LiveSourceKind.h"

#include <QCoreApplication>

namespace tessarin::LiveSourceKinds {

const std::vector<LiveSourceKind>& allCases()
{
    static const std::vector<LiveSourceKind> kinds{
        LiveSourceKind::ndi, LiveSourceKind::capture, LiveSourceKind::rtmp, LiveSourceKind::srt};
    return kinds;
}

const std::vector<LiveSourceKind>& offered()
{
    static const std::vector<LiveSourceKind> kinds{
        LiveSourceKind::capture, LiveSourceKind::rtmp, LiveSourceKind::srt};
    return kinds;
}

QString rawValue(LiveSourceKind kind)
{
    switch (kind) {
    case LiveSourceKind::ndi: return QStringLiteral("ndi");
    case LiveSourceKind::capture: return QStringLiteral("capture");
    case LiveSourceKind::rtmp: return QStringLiteral("rtmp");
    case LiveSourceKind::srt: return QStringLiteral("srt");
    }
    return {};
}

std::optional<LiveSourceKind> fromRawValue(const QString& raw)
{
    for (LiveSourceKind kind : allCases()) {
        if (rawValue(kind) == raw)
            return kind;
    }
    return std::nullopt;
}

bool isManual(LiveSourceKind kind)
{
    return kind == LiveSourceKind::rtmp || kind == LiveSourceKind::srt;
}

QString title(LiveSourceKind kind)
{
    switch (kind) {
    case LiveSourceKind::ndi: return QStringLiteral("NDI");
    case LiveSourceKind::capture: return QCoreApplication::translate("LiveSourceKind", "Input Live");
    case LiveSourceKind::rtmp: return QStringLiteral("RTMP");
    case LiveSourceKind::srt: return QStringLiteral("SRT");
    }
    return {};
}

QString systemImage(LiveSourceKind kind)
{
    switch (kind) {
    case LiveSourceKind::ndi: return QStringLiteral("network");
    case LiveSourceKind::capture: return QStringLiteral("video.fill");
    case LiveSourceKind::rtmp: return QStringLiteral("dot.radiowaves.left.and.right");
    case LiveSourceKind::srt: return QStringLiteral("antenna.radiowaves.left.and.right");
    }
    return {};
}

} // namespace tessarin::LiveSourceKinds
