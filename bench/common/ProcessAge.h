#pragma once

#include <QByteArray>
#include <QFile>
#include <QList>

#include <unistd.h>

namespace tessarin::bench {

// Seconds since this process started, from /proc (clock ticks since boot):
// the start-up figures count from the exec, not from main().
inline double secondsSinceStart()
{
    QFile stat(QStringLiteral("/proc/self/stat"));
    QFile uptime(QStringLiteral("/proc/uptime"));
    if (!stat.open(QIODevice::ReadOnly) || !uptime.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray s = stat.readAll();
    const QList<QByteArray> fields = s.mid(s.lastIndexOf(')') + 2).split(' ');
    const double startTicks = fields.value(19).toDouble(); // field 22 of the whole line
    const double up = uptime.readAll().split(' ').value(0).toDouble();
    return up - startTicks / double(sysconf(_SC_CLK_TCK));
}

} // namespace tessarin::bench
