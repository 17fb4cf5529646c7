#include "ui/playlist/SpareRows.h"

#include "ui/playlist/MediaRowView.h"

#include <algorithm>

namespace tessarin {

bool SpareRows::keep(MediaRowView* row)
{
    std::erase_if(rows_, [](const QPointer<MediaRowView>& kept) { return kept.isNull(); });
    if (!row || rows_.size() >= kKept)
        return false;
    rows_.emplace_back(row);
    return true;
}

MediaRowView* SpareRows::take(const MediaFile& item)
{
    const auto it = std::find_if(rows_.begin(), rows_.end(),
                                 [&](const QPointer<MediaRowView>& kept) { return kept && kept->fits(item); });
    if (it == rows_.end())
        return nullptr;
    MediaRowView* row = *it;
    rows_.erase(it);
    return row;
}

} // namespace tessarin
