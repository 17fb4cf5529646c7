#pragma once
// The real main window over the real show controller, engine and schedule,
// with fake players, a hand-driven clock, scripted panels and a private
// settings file.
#include "app/ContentView.h"
#include "platform/CaptureDevices.h"
#include "platform/Displays.h"
#include "platform/Settings.h"
#include "platform/Workers.h"
#include "platform/player/AudioOutput.h"
#include "show/ShowController.h"
#include "ui/settings/SettingsWindowController.h"

#include "show/ShowTestSupport.h"
#include "support/FakeMediaPlayer.h"
#include "support/ManualClock.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

namespace tessarin::test {

class NoCaptureDevices final : public CaptureDeviceEnumerator {
public:
    std::vector<CaptureDeviceInfo> devices() override { return {}; }
    void watch(std::function<void(bool)>) override { }
};

class ShellFixture : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    // Settings written here before make() are what the window starts with.
    ContentView& make()
    {
        show = ShowController::create({settings, clock, dialogs,
                                       [this] { return std::make_shared<FakeMediaPlayer>(clock, media); },
                                       std::make_shared<NullAudioOutput>()});
        window = std::make_unique<ContentView>(*show, ContentView::Services {settings, clock, devices, displays});
        return *window;
    }

    void TearDown() override
    {
        window.reset();
        SettingsWindowController::shared().close();
        show.reset();
        Workers::userInitiated().waitForIdle(20.0);
        drainMainQueue();
    }

    QTemporaryDir dir;
    Settings settings {dir.filePath(QStringLiteral("settings.ini"))};
    ManualClock clock;
    ScriptedDialogs dialogs;
    std::shared_ptr<FakeMedia> media = std::make_shared<FakeMedia>();
    CaptureDevices devices {std::make_shared<NoCaptureDevices>()};
    ScreenOnlyDisplays displays;
    std::unique_ptr<ShowController> show;
    std::unique_ptr<ContentView> window;
};

} // namespace tessarin::test
