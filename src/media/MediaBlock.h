#pragma once
// A named playlist of items with its loop and end settings. Shared by
// std::shared_ptr; lives on the main thread; a block is identified by the
// object itself (its id names it in documents and in the engine).
//
// Observable: every setter stores the value and emits <name>Changed() and
// changed(), also when the value is unchanged. The item edits below publish
// one itemsChanged() each.
#include "media/BlockEndBehavior.h"
#include "media/MediaFile.h"

#include <QObject>
#include <QString>
#include <QUuid>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace tessarin {

class MediaBlock final : public QObject {
    Q_OBJECT

public:
    using Items = std::vector<std::shared_ptr<MediaFile>>;

    MediaBlock(QString name, QUuid id);

    const QUuid& id() const { return id_; }

    const QString& name() const { return name_; }
    void setName(const QString& name);
    const Items& items() const { return items_; }
    void setItems(Items items);
    // Item edits of the views, each one change: a batch appended at the end,
    // one inserted (index clamped), one removed, one moved (to an index of
    // the list after removal, clamped). Out-of-range indices do nothing.
    void appendItems(const Items& items);
    void insertItem(std::shared_ptr<MediaFile> item, std::size_t index);
    void removeItem(std::size_t index);
    void moveItem(std::size_t from, std::size_t to);

    bool loop() const { return loop_; }
    void setLoop(bool loop);
    // Passes of a looping block; below 1 means without limit. The block
    // settings' repeat stepper counts up to maximumLoopCount.
    static constexpr std::int64_t maximumLoopCount = 99;
    std::int64_t loopCount() const { return loopCount_; }
    void setLoopCount(std::int64_t count);
    BlockEndBehavior endBehavior() const { return endBehavior_; }
    void setEndBehavior(BlockEndBehavior behavior);
    bool normalizeAudio() const { return normalizeAudio_; }
    void setNormalizeAudio(bool normalize);

    // True when at least one item is live.
    bool hasLiveSource() const;
    // The block's total length when it is known in advance: none for an
    // empty block, an endless loop, a live or looping item, or an item whose
    // end is not yet known.
    std::optional<double> plannedDuration() const;

signals:
    void nameChanged();
    void itemsChanged();
    void loopChanged();
    void loopCountChanged();
    void endBehaviorChanged();
    void normalizeAudioChanged();
    void changed();

private:
    void publishItems();

    const QUuid id_;
    QString name_;
    Items items_;
    bool loop_ = false;
    std::int64_t loopCount_ = 0;
    BlockEndBehavior endBehavior_ = BlockEndBehavior::pauseBlack;
    bool normalizeAudio_ = false;
};

} // namespace tessarin
