#pragma once
// What the screen reader says about the program, in one place: follows the
// engine, the schedule and the stream destinations and hands the operator's
// texts to the announcer (an item cued, an item on air, a block ended, an
// item that cannot play, the near-end warning, a destination that fails or
// comes back, a start by the schedule). Each text is said once, when its
// state begins, not again while it lasts. Main thread.
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

    PlaylistEngine& engine_;
    ScheduleController* schedule_;
    Announce announce_;
    std::shared_ptr<MediaFile> cued_;
    std::shared_ptr<MediaFile> onAir_;
    std::shared_ptr<MediaFile> failed_;
    bool nearEnd_ = false;
    std::optional<QUuid> runningEvent_;
    std::map<int, bool> streamFailed_; // per destination id: its last run failed
};

} // namespace tessarin
