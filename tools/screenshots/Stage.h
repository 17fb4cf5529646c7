#pragma once
// A fixture for pictures of the interface: the real show controller, engine
// and schedule on fake players and a hand-driven clock, a private settings
// file, and the real main window made on first use. Each state gets a fresh
// stage. States register themselves with TESSARIN_SCREENSHOT in any .cpp
// under states/ and return the widget to photograph (the main window, a
// popover, a sheet, a settings page).
#include "support/FakeMediaPlayer.h"
#include "support/ManualClock.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

namespace tessarin {

class CaptureDevices;
class ContentView;
class MediaBlock;
class MediaFile;
class PlaylistEngine;
class ScheduleController;
class ScreenOnlyDisplays;
class Settings;
class ShowController;
class ShowDialogs;

class Stage {
public:
    Stage();
    ~Stage();

    // The wall clock starts at 20:30:00 local time on 7 March 2026.
    test::ManualClock& clock() { return clock_; }
    Settings& settings() { return *settings_; }
    ShowController& show() { return *show_; }
    PlaylistEngine& engine();
    ScheduleController& schedule();
    std::shared_ptr<test::FakeMedia> media() { return media_; }

    // The main window at its default size, shown.
    ContentView& window();

    // A file of the generated test media ("clip_5s.mov").
    static QString mediaPath(const QString& name);
    // An item over a copy of a test media file, named as given ("Sigla.mov"),
    // with a length for the fake players.
    std::shared_ptr<MediaFile> item(const QString& shownName, const QString& media, double seconds);
    // A block of the playlist with these items.
    std::shared_ptr<MediaBlock> addBlock(const QString& name, const std::vector<std::shared_ptr<MediaFile>>& items);
    // Lets background work (item analysis) land and the clock move on.
    void settle(double seconds = 0.0);

private:
    QTemporaryDir dir_;
    std::unique_ptr<Settings> settings_;
    test::ManualClock clock_;
    std::unique_ptr<ShowDialogs> dialogs_;
    std::shared_ptr<test::FakeMedia> media_;
    std::unique_ptr<CaptureDevices> devices_;
    std::unique_ptr<ScreenOnlyDisplays> displays_;
    std::unique_ptr<ShowController> show_;
    std::unique_ptr<ContentView> window_;
};

struct ScreenshotState {
    QString name;
    std::function<QWidget*(Stage&)> make;
};

std::vector<ScreenshotState>& screenshotStates();

struct RegisterScreenshot {
    RegisterScreenshot(const char* name, std::function<QWidget*(Stage&)> make)
    {
        screenshotStates().push_back({QString::fromLatin1(name), std::move(make)});
    }
};

} // namespace tessarin

// TESSARIN_SCREENSHOT(function, "state-name") { ...; return widget; }
#define TESSARIN_SCREENSHOT(fn, name)                                                                                 \
    static QWidget* fn(::tessarin::Stage& stage);                                                                      \
    static ::tessarin::RegisterScreenshot fn##Registration(name, fn);                                                  \
    static QWidget* fn(::tessarin::Stage& stage)
