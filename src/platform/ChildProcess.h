#pragma once
// Child processes with an explicit descriptor map: the child gets exactly the
// descriptors it is given (plus /dev/null where asked) and inherits nothing
// else. Every child is bound to its parent: it gets SIGKILL when this
// process ends, in whatever way. Needs SIGPIPE ignored in the process
// (main() does it first).
#include <sys/types.h>

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <string>
#include <vector>

namespace tessarin {

// Both ends of a pipe, moved to descriptors >= 10 with close-on-exec set, so
// no child started elsewhere can inherit them by accident.
struct Pipe {
    int readEnd = -1;
    int writeEnd = -1;
    static std::optional<Pipe> create();
};

// Moves fd to a descriptor >= 10 with close-on-exec; closes the old one.
// Returns the new descriptor, or -1.
int moveDescriptorHigh(int fd);
// close() that retries on EINTR and ignores -1.
void closeDescriptor(int fd);

// What a descriptor of the child is made of.
struct DescriptorMapping {
    int childFd = -1;  // the number the child sees
    int parentFd = -1; // our descriptor to duplicate; -1 opens /dev/null
};

class ChildProcess {
public:
    ChildProcess() = default;
    ChildProcess(ChildProcess&& other) noexcept;
    ChildProcess& operator=(ChildProcess&& other) noexcept;
    ~ChildProcess(); // does not kill; reaps only if already ended

    // Starts path with args (argv[0] is path). The child's descriptors are
    // exactly the mappings; every other descriptor is closed in the child.
    // On failure returns nullopt and, when error is given, the reason; when
    // errorNumber is given, the errno value behind it.
    static std::optional<ChildProcess> spawn(const QString& path, const QStringList& args,
                                             const std::vector<DescriptorMapping>& descriptors,
                                             std::string* error = nullptr, int* errorNumber = nullptr);

    pid_t pid() const { return pid_; }
    bool running() const { return pid_ > 0 && !exitStatus_; }

    void terminate() const; // SIGTERM
    void kill() const;      // SIGKILL

    // Raw wait status once reaped (see WIFEXITED etc.).
    std::optional<int> exitStatus() const { return exitStatus_; }
    // Reaps if the child has ended; never blocks.
    std::optional<int> tryWait();
    // Waits for the end; a negative limit waits for ever. nullopt on timeout.
    std::optional<int> wait(double timeoutSeconds = -1.0);
    // SIGTERM, then SIGKILL when still alive after graceSeconds; reaps.
    int terminateAndWait(double graceSeconds);

private:
    explicit ChildProcess(pid_t pid);
    void release();

    pid_t pid_ = -1;
    int pidFd_ = -1; // pollable handle to the child, -1 where unsupported
    std::optional<int> exitStatus_;
};

struct CaptureResult {
    bool started = false;
    bool timedOut = false;
    std::optional<int> exitCode; // set when the child exited normally
    QByteArray output;           // standard output, read to its end
};

// Runs path with args, standard input and error on /dev/null, and reads its
// standard output to the end before reaping it. A child still running after
// timeoutSeconds is killed and reported as timed out with what it printed.
CaptureResult runAndCapture(const QString& path, const QStringList& args, double timeoutSeconds = 10.0);

} // namespace tessarin
