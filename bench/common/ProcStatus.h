#pragma once
// A size the kernel reports for this process in /proc/self/status
// ("VmRSS", "VmHWM", ...), in MiB; 0 when it cannot be read. Header only,
// for the benchmarks.
#include <QByteArray>
#include <QFile>
#include <QString>

namespace tessarin::bench {

inline double statusMegabytes(const QByteArray& field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0.0;
    const QByteArray prefix = field + ':';
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return 0.0;
}

} // namespace tessarin::bench
