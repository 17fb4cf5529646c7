#include "engine/ProgramPictureSize.h"

#include <algorithm>

namespace tessarin {

void ProgramPictureSize::report(const void* renderer, QSize size)
{
    std::lock_guard lock(mutex_);
    std::erase_if(entries_, [&](const Entry& e) { return e.renderer == renderer; });
    if (size.isValid() && !size.isEmpty())
        entries_.push_back({ renderer, size });
}

QSize ProgramPictureSize::size() const
{
    std::lock_guard lock(mutex_);
    if (entries_.empty())
        return kDefault;
    QSize largest;
    for (const Entry& e : entries_)
        largest = largest.expandedTo(e.size);
    return largest;
}

} // namespace tessarin
