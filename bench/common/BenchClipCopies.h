#pragma once
// Many real media files for the big-show benchmarks: copies of one short
// clip (2 s of a 320 x 180 test picture in H.264 with a 440 Hz tone in AAC),
// made once with the ffmpeg program in the temporary folder's benchmark
// media and kept between runs, so a show of 10,000 files costs one encode
// and the copies.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QStringList>

#include <cstdio>
#include <cstdlib>

#include <unistd.h>

namespace tessarin::bench {

inline QString benchMediaFolder()
{
    return QDir::tempPath() + QStringLiteral("/tessarin-bench-media");
}

// The paths of count copies of the clip, below folder.
inline QStringList clipCopies(int count, const QString& folder = benchMediaFolder())
{
    const QString dir = folder + QStringLiteral("/bigshow-media");
    QDir().mkpath(dir);
    const QString clip = dir + QStringLiteral("/clip.mp4");
    if (QFileInfo(clip).size() == 0) {
        const QString command = QStringLiteral(
            "ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i testsrc2=size=320x180:rate=25:duration=2 "
            "-f lavfi -i sine=frequency=440:sample_rate=48000:duration=2 -c:v libx264 -preset veryfast "
            "-pix_fmt yuv420p -c:a aac -b:a 64k -ac 2 -shortest '%1.tmp.mp4' && mv '%1.tmp.mp4' '%1'").arg(clip);
        if (std::system(command.toUtf8().constData()) != 0) {
            std::fprintf(stderr, "ffmpeg failed: %s\n", qPrintable(command));
            std::exit(2);
        }
    }
    QStringList paths;
    paths.reserve(count);
    for (int i = 0; i < count; ++i) {
        const QString path = dir + QStringLiteral("/clip-%1.mp4").arg(i, 5, 10, QLatin1Char('0'));
        // A hard link where the file system allows it: the same bytes under
        // another name cost no space, and each name is a file of its own.
        if (!QFileInfo::exists(path) && ::link(QFile::encodeName(clip).constData(), QFile::encodeName(path).constData()) != 0
            && !QFile::copy(clip, path)) {
            std::fprintf(stderr, "cannot copy the clip to %s\n", qPrintable(path));
            std::exit(2);
        }
        paths.append(path);
    }
    return paths;
}

} // namespace tessarin::bench
