#include "media/LiveSessionFactory.h"

#include "media/CaptureLiveSession.h"
#include "media/FFmpegLiveSession.h"

#include <QCoreApplication>

namespace tessarin {

std::shared_ptr<LiveSession> LiveSessionFactory::make(const LiveSource& source)
{
    switch (source.kind) {
    case LiveSourceKind::rtmp:
    case LiveSourceKind::srt:
        return std::make_shared<FFmpegLiveSession>(source);
    case LiveSourceKind::capture:
        return std::make_shared<CaptureLiveSession>(source.address);
    case LiveSourceKind::ndi:
        break;
    }
    return std::make_shared<UnavailableLiveSession>(
        QCoreApplication::translate("LiveSessionFactory", "NDI non è disponibile in questa versione di Tessarin"));
}

UnavailableLiveSession::UnavailableLiveSession(QString message)
    : message_(std::move(message))
{
}

void UnavailableLiveSession::start()
{
    if (onStatus)
        onStatus(LiveStatus::failed(message_));
}

} // namespace tessarin
