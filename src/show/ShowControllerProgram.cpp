// The program's own controller: the one that owns the engine, the schedule
// and the browser list, and the instance the application shell takes.
#include "show/ShowController.h"

#include "platform/ProcessEnd.h"
#include "platform/Settings.h"
#include "platform/player/FfmpegMediaPlayer.h"
#include "show/EngineShowContent.h"

#include <QtGlobal>

namespace tessarin {

ShowController::ShowController(std::unique_ptr<EngineShowContent> program, Settings& settings, Clock& clock,
                               ShowDialogs& dialogs, QObject* parent)
    : ShowController(*program, settings, clock, dialogs, parent)
{
    // The content object does not move: the reference taken above stays good.
    program_ = std::move(program);
}

std::unique_ptr<ShowController> ShowController::create(const Services& services)
{
    auto program = std::make_unique<EngineShowContent>(EngineShowContent::Services {
        services.clock, services.settings, services.makePlayer, services.audioOutput});
    return std::make_unique<ShowController>(std::move(program), services.settings, services.clock,
                                            services.dialogs);
}

ShowController& ShowController::shared()
{
    // Made on first use on the main thread and kept for the whole process,
    // like the settings and dialogs it is made with (nothing is torn down
    // after the application object is gone).
    static ShowController* const instance = [] {
        auto* settings = new Settings();
        auto* dialogs = new QtShowDialogs();
        const Services services {*settings, HostClock::shared(), *dialogs,
                                 [] { return std::make_shared<FfmpegMediaPlayer>(); }, nullptr};
        ShowController* made = create(services).release();
        // Kept for the whole process, but its players' threads are not: the
        // end of the process stops playback before static objects go.
        ProcessEnd::addStep("playback stopped", [made] {
            PlaylistEngine& engine = made->engine();
            engine.stop();
            engine.clearCue();
            for (const auto& layer : engine.overlays().layers()) {
                if (const auto& player = layer->player()) {
                    player->pause();
                    player->replaceCurrentItem(nullptr);
                }
            }
        });
        return made;
    }();
    return *instance;
}

PlaylistEngine& ShowController::engine() const
{
    Q_ASSERT(program_);
    return program_->engine();
}

ScheduleController& ShowController::schedule() const
{
    Q_ASSERT(program_);
    return program_->schedule();
}

BrowserFiles& ShowController::browserFiles() const
{
    Q_ASSERT(program_);
    return program_->browserFiles();
}

} // namespace tessarin
