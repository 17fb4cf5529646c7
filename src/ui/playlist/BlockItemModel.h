#pragma once
// The items of one block as a list model for its card: one row per item, in
// the block's order, with the marks the engine gives it (on air, playing,
// cued, selected, the live status). It follows the block (an item moved one
// place moves its row, items added or removed in one run insert or remove
// rows; any other change lists the items again), each item
// (any change of it tells views its row changed) and the engine, whose
// changes reach only the rows of the items named before or now: a take in a
// block of thousands tells two rows. Main thread.
#include "media/LiveStatus.h"
#include "ui/playlist/MediaRowView.h"

#include <QAbstractListModel>
#include <QHash>
#include <QUuid>

#include <memory>
#include <optional>
#include <vector>

namespace tessarin {

class MediaBlock;
class MediaFile;
class PlaylistEngine;

class BlockItemModel : public QAbstractListModel {
    Q_OBJECT
public:
    BlockItemModel(std::shared_ptr<MediaBlock> block, PlaylistEngine& engine, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    // The display text (the item's name) and the accessible text (the row
    // as it is read aloud).
    QVariant data(const QModelIndex& index, int role) const override;

    const std::shared_ptr<MediaFile>& item(int row) const { return listed_[std::size_t(row)]; }
    // The row of an item; -1 when the block has no such item.
    int rowOf(const QUuid& itemID) const { return rows_.value(itemID, -1); }
    MediaRowView::Marks marks(int row) const;
    // Tells views that an item's row changed (its picture came, say).
    void announceItem(const QUuid& itemID);

private:
    void syncItems();
    // Inserts or removes the rows of a run of items that came or went; false
    // when next differs from the rows in any other way.
    bool insertOrRemove(std::vector<std::shared_ptr<MediaFile>>& next);
    void refreshMarks();
    void follow(const std::shared_ptr<MediaFile>& item);
    void reindex(int from, int to);

    struct MarksSource {
        std::optional<QUuid> current;
        std::optional<QUuid> cued;
        std::optional<QUuid> selected;
        bool playing = false;
        LiveStatus liveStatus;
        bool operator==(const MarksSource&) const = default;
    };
    MarksSource marksSourceNow() const;

    std::shared_ptr<MediaBlock> block_;
    PlaylistEngine& engine_;
    std::vector<std::shared_ptr<MediaFile>> listed_;
    QHash<QUuid, int> rows_;
    QHash<QUuid, QMetaObject::Connection> followed_;
    MarksSource marksSource_;
};

} // namespace tessarin
