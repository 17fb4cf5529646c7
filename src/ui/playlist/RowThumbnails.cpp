#include "ui/playlist/RowThumbnails.h"

#include "media/MediaFile.h"

#include <QPointer>

#include <limits>

namespace tessarin {

RowThumbnails::RowThumbnails(int capacity, QObject* parent)
    : QObject(parent)
    , capacity_(capacity)
{
}

QImage RowThumbnails::picture(const MediaFile& item)
{
    const PackedPicture packed = item.packedThumbnail();
    auto it = entries_.find(item.id());
    if (it != entries_.end() && it->packed == packed) {
        it->used = ++clock_;
        return it->image;
    }
    if (it == entries_.end()) {
        evict();
        it = entries_.insert(item.id(), {});
    }
    it->packed = packed;
    it->image = QImage();
    it->used = ++clock_;
    if (packed.isNull())
        return {};
    packed.unpackLater(this, [this, id = item.id(), packed](const QImage& image) {
        const auto at = entries_.find(id);
        if (at == entries_.end() || !(at->packed == packed))
            return; // gone, or another picture asked for since
        at->image = image;
        emit decoded(id);
    });
    return {};
}

void RowThumbnails::evict()
{
    if (entries_.size() < capacity_)
        return;
    auto oldest = entries_.end();
    quint64 used = std::numeric_limits<quint64>::max();
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
        if (it->used < used) {
            used = it->used;
            oldest = it;
        }
    }
    if (oldest != entries_.end())
        entries_.erase(oldest);
}

} // namespace tessarin
