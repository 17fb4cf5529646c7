#pragma once
// The two streams of the sound benchmarks: an RTMP and an SRT listener on the
// loopback (ffmpeg writing what it receives into a file of the directory),
// and a stream manager's first two outputs pointed at them.
#include "platform/ChildProcess.h"
#include "streaming/StreamManager.h"
#include "streaming/StreamOutput.h"

#include "../common/EventWait.h"
#include "support/Loopback.h"

#include <QDir>

#include <cstdio>
#include <optional>

#include <sys/socket.h>

namespace tessarin::bench {

struct LoopbackStreams {
    QString rtmpFile;
    QString srtFile;
    StreamOutput* rtmp = nullptr;
    StreamOutput* srt = nullptr;

    // Starts the listeners and sets the manager's format and outputs (not
    // started); false, with a word on stderr, when a listener fails.
    bool prepare(const QDir& dir, StreamManager& manager, StreamFormat::Rate rate)
    {
        const int rtmpPort = test::freePort(SOCK_STREAM);
        const int srtPort = test::freePort(SOCK_DGRAM);
        const QString rtmpUrl = QStringLiteral("rtmp://127.0.0.1:%1/live/sync").arg(rtmpPort);
        rtmpFile = dir.filePath("received.flv");
        srtFile = dir.filePath("received.ts");
        rtmpReceiver_ = ChildProcess::spawn("/usr/bin/ffmpeg",
            { "-hide_banner", "-loglevel", "error", "-nostdin", "-listen", "1", "-timeout", "60", "-i", rtmpUrl, "-c",
              "copy", "-y", rtmpFile }, {});
        srtReceiver_ = ChildProcess::spawn("/usr/bin/ffmpeg",
            { "-hide_banner", "-loglevel", "error", "-nostdin", "-i",
              QStringLiteral("srt://127.0.0.1:%1?mode=listener&listen_timeout=60000000").arg(srtPort), "-c", "copy",
              "-y", srtFile }, {});
        if (!rtmpReceiver_ || !srtReceiver_) {
            std::fprintf(stderr, "the receivers did not start\n");
            return false;
        }
        if (!waitFor([&] { return test::listening(rtmpPort, false) && test::listening(srtPort, true); }, 20)) {
            std::fprintf(stderr, "the receivers did not listen\n");
            return false;
        }
        manager.setFormat({ StreamFormat::Resolution::hd720, StreamFormat::Scan::progressive, rate });
        rtmp = manager.outputs()[0].get();
        srt = manager.outputs()[1].get();
        rtmp->setKind(StreamOutput::Kind::rtmp);
        rtmp->setUrl(rtmpUrl);
        srt->setKind(StreamOutput::Kind::srt);
        srt->setUrl(QStringLiteral("srt://127.0.0.1:%1?mode=caller").arg(srtPort));
        for (StreamOutput* out : { rtmp, srt }) {
            out->setVideoCodec(StreamOutput::VideoCodec::h264);
            out->setBitrateKbps(2500);
        }
        return true;
    }

    void start(const StreamFormat& format)
    {
        rtmp->start(format);
        srt->start(format);
    }

    bool live() const
    {
        return rtmp->status() == StreamOutput::Status::live() && srt->status() == StreamOutput::Status::live();
    }

    // Stops both outputs and lets the listeners finish their files.
    void stop()
    {
        rtmp->stop();
        srt->stop();
        waitFor([&] { return !rtmp->isActive() && !srt->isActive(); }, 20);
        rtmp->setUrl(QString());
        srt->setUrl(QString());
        for (auto* receiver : { &*rtmpReceiver_, &*srtReceiver_ }) {
            if (!receiver->wait(20))
                receiver->terminateAndWait(2);
        }
    }

private:
    std::optional<ChildProcess> rtmpReceiver_;
    std::optional<ChildProcess> srtReceiver_;
};

} // namespace tessarin::bench
