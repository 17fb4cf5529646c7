#include "ui/browser/BrowserSelection.h"

#include <algorithm>

namespace tessarin {

void BrowserSelection::click(const Files& files, const MediaFile& file, int index, bool shift, bool command)
{
    if (shift && anchor_) {
        const auto found = std::find_if(files.begin(), files.end(), [this](const auto& f) { return f->id() == *anchor_; });
        if (found != files.end()) {
            const int a = int(found - files.begin());
            const int lo = std::clamp(std::min(a, index), 0, int(files.size()) - 1);
            const int hi = std::clamp(std::max(a, index), 0, int(files.size()) - 1);
            QSet<QUuid> range;
            for (int i = lo; i <= hi; ++i)
                range.insert(files[std::size_t(i)]->id());
            if (command)
                ids_.unite(range);
            else
                ids_ = std::move(range);
            return;
        }
    }
    if (command) {
        if (!ids_.remove(file.id()))
            ids_.insert(file.id());
    } else {
        ids_ = { file.id() };
    }
    anchor_ = file.id();
}

void BrowserSelection::selectAll(const Files& files)
{
    ids_.clear();
    for (const auto& f : files)
        ids_.insert(f->id());
    anchor_ = files.empty() ? std::nullopt : std::optional<QUuid>(files.front()->id());
}

BrowserSelection::Files BrowserSelection::dragTargets(const Files& files, const MediaFile& file)
{
    if (!ids_.contains(file.id())) {
        ids_ = { file.id() };
        anchor_ = file.id();
    }
    return selectedFiles(files);
}

BrowserSelection::Files BrowserSelection::removalTargets(const Files& files, const std::shared_ptr<MediaFile>& file) const
{
    if (!ids_.contains(file->id()))
        return { file };
    return selectedFiles(files);
}

BrowserSelection::Files BrowserSelection::selectedFiles(const Files& files) const
{
    Files result;
    std::copy_if(files.begin(), files.end(), std::back_inserter(result), [this](const auto& f) { return ids_.contains(f->id()); });
    return result;
}

void BrowserSelection::remove(const QSet<QUuid>& ids)
{
    ids_.subtract(ids);
}

void BrowserSelection::keepOnly(const Files& files)
{
    QSet<QUuid> present;
    for (const auto& f : files) {
        if (ids_.contains(f->id()))
            present.insert(f->id());
    }
    ids_ = std::move(present);
}

} // namespace tessarin
