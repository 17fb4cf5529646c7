#pragma once
// The running program's show: the playback engine (its blocks and overlay
// layers), the schedule made for it and the media browser's file list. The
// one object that owns the engine and the schedule; the show controller
// saves and rebuilds the show through it. Main thread.
#include "automation/ScheduleController.h"
#include "engine/PlaylistEngine.h"
#include "show/BrowserFiles.h"
#include "show/ShowContent.h"

#include <memory>

namespace tessarin {

class AudioOutput;
class Clock;
class Settings;

class EngineShowContent final : public ShowContent {
public:
    struct Services {
        Clock& clock;
        Settings& settings;
        // Makes the engine's players and its overlay layers' video players.
        PlaylistEngine::PlayerFactory makePlayer;
        // Where live audio plays; the machine's output when null.
        std::shared_ptr<AudioOutput> audioOutput;
        // The calendar fixed starts are read in.
        ScheduleController::CalendarSource calendar = &ScheduleCalendar::current;
    };

    // Creates the engine, then the schedule for it.
    explicit EngineShowContent(const Services& services);
    ~EngineShowContent() override;

    PlaylistEngine& engine() const { return *engine_; }
    ScheduleController& schedule() const { return *schedule_; }
    BrowserFiles& browserFiles() const { return *browserFiles_; }

    // --- ShowContent ---
    ShowDocument document(const std::optional<QString>& base) const override;
    ShowDocument document(const std::optional<QString>& base, ShowDocument recycled) const override;
    // The program's ShowRevision.
    std::optional<std::uint64_t> revision() const override;
    // The entries of the items that ShowRevision names, found by the items'
    // places in the lists (no item is read but those).
    bool update(ShowDocument& snapshot, std::uint64_t since) const override;
    // Program stopped, cue and selection cleared, no blocks, an empty
    // schedule that does not loop, both layers cleared and back at their
    // default placement without looping, no browser files. A few seconds
    // later, once the views have let go of the old show, the memory left
    // free is handed back to the system.
    void reset() override;
    // Browser, blocks, schedule (which then finds the blocks its events
    // name), then the layers, first with first; further stored layers are
    // ignored and engine layers without one stay empty.
    void apply(const ShowDocument& document, const QString& showFolder, QStringList& missing,
               const ShowLoading::Correction& correction) override;
    // The same a slice at a time (see EngineShowListing).
    std::unique_ptr<Listing> list(std::shared_ptr<const ShowDocument> document, const QString& showFolder,
                                  const ShowLoading::Correction& correction) override;

private:
    std::unique_ptr<PlaylistEngine> engine_;
    std::unique_ptr<ScheduleController> schedule_;
    std::unique_ptr<BrowserFiles> browserFiles_;
    std::unique_ptr<Timer> releaseMemory_;
};

} // namespace tessarin
