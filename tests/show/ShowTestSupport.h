#pragma once
// Helpers shared by the show tests.
#include <QString>

#include <cstring>
#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace tessarin::test {

// The system's own description of an error number.
inline QString reason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// Root ignores file permissions through CAP_DAC_OVERRIDE. Capabilities
// belong to each thread, so this thread lays those down for a while (they
// stay permitted and come back in the destructor) and a read-only folder
// refuses it as it refuses an operator.
class FilePermissionsEnforced {
public:
    FilePermissionsEnforced()
    {
        if (geteuid() != 0)
            return;
        header_.version = _LINUX_CAPABILITY_VERSION_3;
        header_.pid = 0;
        if (syscall(SYS_capget, &header_, saved_) != 0)
            return;
        __user_cap_data_struct lowered[2] = {saved_[0], saved_[1]};
        for (int cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER})
            lowered[cap / 32].effective &= ~(1u << (cap % 32));
        lowered_ = syscall(SYS_capset, &header_, lowered) == 0;
    }
    ~FilePermissionsEnforced()
    {
        if (lowered_)
            syscall(SYS_capset, &header_, saved_);
    }
    bool enforced() const { return geteuid() != 0 || lowered_; }

private:
    __user_cap_header_struct header_ {};
    __user_cap_data_struct saved_[2] {};
    bool lowered_ = false;
};

} // namespace tessarin::test
