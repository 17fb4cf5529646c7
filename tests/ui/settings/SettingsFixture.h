#pragma once
// The objects the settings pages work on, as the main window owns them: an
// engine on fake players and a hand-driven clock, the stream manager over
// synthetic frames and a tone, the output window controller over displays
// the test sets, the shortcut manager, the ATEM link and the schedule.
#include "automation/AtemTallyMonitor.h"
#include "automation/ScheduleController.h"
#include "automation/ShortcutManager.h"
#include "engine/EngineFixture.h"
#include "engine/FakeDisplays.h"
#include "engine/OutputWindowController.h"
#include "streaming/StreamManager.h"
#include "streaming/SyntheticSources.h"
#include "ui/settings/SettingsContext.h"

#include <QLabel>

#include <memory>

namespace tessarin::test {

class SettingsTest : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        makeEngine();
        displays.addScreen(1, QStringLiteral("Built-in"));
        displays.main = 1;
        streams = std::make_unique<StreamManager>(
            *settings, [](int w, int h, double) { return std::make_shared<NumberedFrames>(w, h); }, audio);
        output = std::make_unique<OutputWindowController>(displayManager, clock,
                                                          [] { return new QLabel(QStringLiteral("program")); });
        shortcuts = std::make_unique<ShortcutManager>(*settings);
        atem = std::make_unique<AtemTallyMonitor>(*settings);
        schedule = std::make_unique<ScheduleController>(engine.get(), *settings, clock);
    }
    void TearDown() override
    {
        if (streams)
            streams->killAllForTermination();
        schedule.reset();
        atem.reset();
        shortcuts.reset();
        output.reset();
        streams.reset();
        EngineTest::TearDown();
    }

    SettingsContext context() { return { *engine, *streams, *output, *shortcuts, *atem, *schedule }; }

    FakeDisplays displays;
    DisplayManager displayManager { displays };
    std::shared_ptr<ToneAudio> audio = std::make_shared<ToneAudio>();
    std::unique_ptr<StreamManager> streams;
    std::unique_ptr<OutputWindowController> output;
    std::unique_ptr<ShortcutManager> shortcuts;
    std::unique_ptr<AtemTallyMonitor> atem;
    std::unique_ptr<ScheduleController> schedule;
};

} // namespace tessarin::test
