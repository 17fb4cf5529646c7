#pragma once
// What the screen reader says about the program, in one place: follows the
// engine, the schedule and the stream destinations and hands the operator's
// texts to the announcer (an item cued, an item on air, paused, resumed or
// stopped, a block ended, an item that cannot play, the near-end warning of
// an item that will end, an overlay layer shown or hidden, a destination
// that fails or comes back, a start by the schedule, the schedule's
// automation or loop switched on or off). Each text is said once, when its
// state begins, not again while it lasts: the near-end warning once per
// item on air (a pause and resume in its last seconds do not repeat it; a
// seek back before them does). An item is said to be on air once it plays
// (its position moves, or it is live): a file that cannot play is said
// only to fail. Main thread.
#include "ui/kit/Announcer.h"

#include <QObject>
#include <QUuid>

#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace tessarin {

class MediaFile;
class PlaylistEngine;
class ScheduleController;
class StreamOutput;

class OnAirAnnouncements final : public QObject {
    Q_OBJECT
public:
    // schedule may be null (nothing is followed there); the stream
    // destinations are followed while they exist.
    OnAirAnnouncements(PlaylistEngine& engine, ScheduleController* schedule, const std::vector<StreamOutput*>& streams,
                       Announce announce = sharedAnnouncer(), QObject* parent = nullptr);

private:
    void followEngine();
    void followSchedule();
    void followAutomation();
    void followOverlays();

    PlaylistEngine& engine_;
    ScheduleController* schedule_;
    Announce announce_;
    std::shared_ptr<MediaFile> cued_;
    std::shared_ptr<MediaFile> onAir_;
    std::shared_ptr<MediaFile> failed_;
    std::shared_ptr<MediaFile> unheardOnAir_; // taken, not yet playing: said once it plays
    bool nearEndSaid_ = false;
    bool playing_ = false;
    bool paused_ = false;   // a pause of the item on air was said
    bool blockEnded_ = false; // said since the last change: a stop then is the block's end
    std::optional<QUuid> runningEvent_;
    bool armed_ = false;
    bool loops_ = false;
    std::map<int, bool> streamFailed_; // per destination id: its last run failed
    std::map<QUuid, bool> layerShown_;  // per overlay layer: shown on air
};

} // namespace tessarin
