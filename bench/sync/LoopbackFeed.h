#pragma once
// A live source listening on the loopback for the program's ingest, and the
// ffmpeg arguments that publish a clip to it in real time (x264 zerolatency
// and AAC), over SRT or RTMP.
#include "media/LiveSource.h"
#include "support/Loopback.h"

#include <QString>
#include <QStringList>

#include <sys/socket.h>

namespace tessarin::bench {

struct LoopbackFeed {
    LiveSource source;
    QStringList publish;
};

inline LoopbackFeed loopbackFeed(const QString& clip, int fps, bool srt)
{
    LoopbackFeed feed;
    feed.source.name = QStringLiteral("Feed");
    feed.publish = { "-hide_banner", "-loglevel", "error", "-nostdin", "-re", "-stream_loop", "-1", "-i", clip,
                     "-c:v", "libx264", "-preset", "veryfast", "-tune", "zerolatency", "-g", QString::number(fps),
                     "-pix_fmt", "yuv420p", "-c:a", "aac", "-b:a", "128k", "-ar", "48000" };
    if (srt) {
        const int port = test::freePort(SOCK_DGRAM);
        feed.source.kind = LiveSourceKind::srt;
        feed.source.address = QStringLiteral("srt://127.0.0.1:%1?mode=listener").arg(port);
        feed.publish << "-f" << "mpegts" << QStringLiteral("srt://127.0.0.1:%1?mode=caller").arg(port);
    } else {
        const int port = test::freePort(SOCK_STREAM);
        feed.source.kind = LiveSourceKind::rtmp;
        feed.source.listen = true;
        feed.source.address = QStringLiteral("rtmp://127.0.0.1:%1/live/feed").arg(port);
        feed.publish << "-f" << "flv" << feed.source.address;
    }
    return feed;
}

} // namespace tessarin::bench
