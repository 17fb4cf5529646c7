#pragma once
// A private Xvfb server for tests that need a real X server, started on a
// display number it picks itself and reports through -displayfd. Header-only
// so every test folder can use it.
#include "platform/ChildProcess.h"

#include <QByteArray>
#include <QFileInfo>
#include <QStringList>

#include <poll.h>
#include <unistd.h>

namespace tessarin::test {

class XvfbServer {
public:
    // One X screen of each size given ("WIDTHxHEIGHTxDEPTH").
    explicit XvfbServer(const QStringList& screens = {QStringLiteral("1280x720x24")})
    {
        if (!QFileInfo::exists("/usr/bin/Xvfb"))
            return;
        auto pipe = Pipe::create();
        if (!pipe)
            return;
        // -noreset: a server left by its last client resets, cutting off a
        // client that connects meanwhile.
        QStringList arguments{"-displayfd", "3", "-nolisten", "tcp", "-noreset"};
        for (int i = 0; i < screens.size(); ++i)
            arguments << "-screen" << QString::number(i) << screens[i];
        auto child = ChildProcess::spawn("/usr/bin/Xvfb", arguments, {{0, -1}, {1, -1}, {2, -1}, {3, pipe->writeEnd}});
        closeDescriptor(pipe->writeEnd);
        if (child) {
            process_ = std::move(*child);
            display_ = readDisplay(pipe->readEnd);
        }
        closeDescriptor(pipe->readEnd);
    }
    ~XvfbServer()
    {
        if (process_.running())
            process_.terminateAndWait(5.0);
    }
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    // ":N", or empty when the server did not start.
    QByteArray display() const { return display_; }

private:
    static QByteArray readDisplay(int fd)
    {
        QByteArray number;
        pollfd p{fd, POLLIN, 0};
        while (poll(&p, 1, 20000) > 0) {
            char c;
            if (read(fd, &c, 1) <= 0 || c == '\n')
                break;
            number.append(c);
        }
        return number.isEmpty() ? QByteArray() : ":" + number;
    }

    ChildProcess process_;
    QByteArray display_;
};

} // namespace tessarin::test
