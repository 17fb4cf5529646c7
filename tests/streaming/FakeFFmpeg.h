#pragma once
// Shell scripts that stand in for ffmpeg builds: they answer "-encoders" and
// "-protocols" with given listings and run a given shell body otherwise.
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

namespace tessarin::test {

inline const QString kAllEncoders = QStringLiteral(" V..... libx264  H.264\n V..... mpeg2video MPEG-2\n A..... aac AAC");
inline const QString kNoX264 = QStringLiteral(" V..... mpeg2video MPEG-2\n A..... aac AAC");
inline const QString kAllProtocols = QStringLiteral("Input:\n file\n rtmp\n srt\nOutput:\n file\n rtmp\n rtmps\n srt\n");
inline const QString kNoSrt = QStringLiteral("Input:\n file\n srt\nOutput:\n file\n rtmp\n rtmps\n");

inline QString writeFakeFFmpeg(const QTemporaryDir& dir, const QString& name, const QString& encoders,
                               const QString& protocols, const QString& body = QStringLiteral("exit 0"))
{
    const QString path = dir.filePath(name);
    QFile file(path);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(QStringLiteral("#!/bin/sh\n"
                              "if [ \"$2\" = -encoders ]; then printf '%s\\n' '%1'; exit 0; fi\n"
                              "if [ \"$2\" = -protocols ]; then printf '%s\\n' '%2'; exit 0; fi\n"
                              "%3\n")
                   .arg(encoders, protocols, body)
                   .toUtf8());
    file.close();
    QFile::setPermissions(path, QFileDevice::Permissions(0x7700));
    return path;
}

} // namespace tessarin::test
