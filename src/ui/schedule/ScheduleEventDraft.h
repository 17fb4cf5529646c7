#pragma once
// The event editor's working copy of a schedule event: every control of the
// editor writes it here and re-reads it on changed(); nothing reaches the
// schedule until the editor hands finished() to its presenter. It also holds
// the content kind (block, file or live), which is not stored in the event
// but derived from it when the editor opens. Main thread.
#include "automation/ScheduleModels.h"

#include <QObject>

#include <memory>
#include <optional>
#include <vector>

namespace tessarin {

class MediaBlock;
class MediaFile;

class ScheduleEventDraft : public QObject {
    Q_OBJECT
public:
    enum class ContentKind { block, file, live };
    using Blocks = std::vector<std::shared_ptr<MediaBlock>>;

    // The maximum time on air that live content gets when it has none.
    static constexpr double kLiveDurationPreset = 1800.0;

    static QList<ContentKind> allContentKinds() { return {ContentKind::block, ContentKind::file, ContentKind::live}; }
    static QString label(ContentKind kind);
    // block without media, live for a live item, file otherwise.
    static ContentKind contentKindOf(const ScheduleEvent& event);

    explicit ScheduleEventDraft(ScheduleEvent event, QObject* parent = nullptr);

    const ScheduleEvent& event() const { return event_; }
    ContentKind contentKind() const { return contentKind_; }

    // Brings the media in line with the kind: block drops it, file drops a
    // live item, live drops a file item; the block id stays.
    void setContentKind(ContentKind kind);
    // The chosen block (in blocks); a block with a live item presets the
    // maximum duration when there is none.
    void setBlockID(std::optional<QUuid> blockID, const Blocks& blocks);
    // A newly made item; a live one presets the maximum duration when there
    // is none.
    void setMedia(std::shared_ptr<MediaFile> media);
    void setStart(ScheduleEvent::Start start);
    void setDate(double date);
    void setRepeats(ScheduleEvent::Repeat repeats);
    // The duration switch: on keeps a duration or presets one, off drops it.
    void setLimited(bool limited);
    // A duration written by the fields, never below one second.
    void setDuration(double seconds);

    // Derived from the working copy and the show's blocks.
    std::shared_ptr<MediaBlock> selectedBlock(const Blocks& blocks) const;
    bool isLiveContent(const Blocks& blocks) const;
    bool canSave(const Blocks& blocks) const;
    QString startExplanation() const;
    QString durationExplanation(const Blocks& blocks) const;
    // The duration explanation is the warning of live content without a limit.
    bool durationWarns(const Blocks& blocks) const;

    // The event to hand back: its date cut to whole seconds, and the block id
    // or the media dropped as the content kind says.
    ScheduleEvent finished() const;

signals:
    void changed();

private:
    void publish();

    ScheduleEvent event_;
    ContentKind contentKind_;
};

} // namespace tessarin
