#include "platform/ThreadName.h"

#include <pthread.h>

namespace tessarin {

void setCurrentThreadName(const std::string& label)
{
    constexpr size_t kMaxLength = 15;
    std::string name = label;
    if (name.size() > kMaxLength) {
        // "Vellumcast.StreamManager.render" -> "amManager.render": the tail tells threads apart.
        name = name.substr(name.size() - kMaxLength);
    }
    pthread_setname_np(pthread_self(), name.c_str());
}

} // namespace tessarin
