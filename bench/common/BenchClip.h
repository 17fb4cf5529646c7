#pragma once
// The 1080p clip the interface benchmarks play and scrub: 60 s of a moving
// test picture (30 fps, H.264, a key frame every 2 s) with a 440 Hz tone,
// made once with the ffmpeg program in the temporary folder and shared by
// every benchmark and run.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include <cstdio>
#include <cstdlib>

namespace tessarin::bench {

inline QString clip1080p()
{
    const QString dir = QDir::tempPath() + QStringLiteral("/tessarin-bench-media");
    QDir().mkpath(dir);
    const QString path = dir + QStringLiteral("/clip_1080p30_60s.mp4");
    if (QFileInfo(path).size() > 0)
        return path;
    const QString tmp = dir + QStringLiteral("/tmp.clip_1080p30_60s.mp4");
    const QString cmd = QStringLiteral(
        "ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i testsrc2=size=1920x1080:rate=30:duration=60 "
        "-f lavfi -i sine=frequency=440:sample_rate=48000:duration=60 -c:v libx264 -preset veryfast "
        "-pix_fmt yuv420p -g 60 -b:v 8M -c:a aac -b:a 128k -ac 2 -shortest '%1'").arg(tmp);
    if (std::system(cmd.toUtf8().constData()) != 0 || !QFile::rename(tmp, path)) {
        std::fprintf(stderr, "ffmpeg failed: %s\n", qPrintable(cmd));
        std::exit(1);
    }
    return path;
}

} // namespace tessarin::bench
