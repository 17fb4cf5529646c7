#pragma once
// The thumbnails of the items whose rows the blocks column showed lately,
// decoded off the main thread once and kept for the drawn rows and the real
// ones alike, up to a fixed number (the least lately asked for go first): a
// row drawn again costs no decoding, and a show of any size no more
// pictures. Main thread.
#include "media/PackedPicture.h"

#include <QHash>
#include <QImage>
#include <QObject>
#include <QUuid>

namespace tessarin {

class MediaFile;

class RowThumbnails : public QObject {
    Q_OBJECT
public:
    explicit RowThumbnails(int capacity = 256, QObject* parent = nullptr);

    // The item's picture once decoded; a null image while it is decoded
    // (decoded() follows, never inside this call) or when it has none.
    QImage picture(const MediaFile& item);
    int size() const { return int(entries_.size()); }

signals:
    void decoded(const QUuid& itemID);

private:
    struct Entry {
        PackedPicture packed;
        QImage image;
        quint64 used = 0;
    };
    void evict();

    int capacity_;
    quint64 clock_ = 0;
    QHash<QUuid, Entry> entries_;
};

} // namespace tessarin
