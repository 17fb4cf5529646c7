#pragma once
// Loopback helpers of the streaming tests and benchmarks: a free port for a
// receiver to listen on, and whether it listens yet.
#include <QFile>
#include <QList>
#include <QString>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tessarin::test {

// A port on 127.0.0.1 that nothing uses now, of a socket type
// (SOCK_STREAM or SOCK_DGRAM).
inline int freePort(int type)
{
    const int fd = ::socket(AF_INET, type | SOCK_CLOEXEC, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0
        && ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    ::close(fd);
    return port;
}

// Whether something listens (TCP) or is bound (UDP) on 127.0.0.1:port.
inline bool listening(int port, bool udp)
{
    QFile table(udp ? "/proc/net/udp" : "/proc/net/tcp");
    if (!table.open(QIODevice::ReadOnly))
        return false;
    const QString local = QStringLiteral("0100007F:%1").arg(port, 4, 16, QLatin1Char('0')).toUpper();
    for (const QByteArray& line : table.readAll().split('\n')) {
        const QList<QByteArray> f = line.simplified().split(' ');
        if (f.size() > 3 && QString::fromLatin1(f[1]) == local && (udp || f[3] == "0A"))
            return true;
    }
    return false;
}

} // namespace tessarin::test
