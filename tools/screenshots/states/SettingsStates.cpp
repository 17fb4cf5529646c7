// Every settings page in its window, the streaming and output popovers, and
// the top bar with the show changed, an item on air and the automation on.
#include "Stage.h"

#include "app/ContentView.h"
#include "app/TopBarView.h"
#include "engine/OutputWindowController.h"
#include "automation/ScheduleController.h"
#include "engine/PlaylistEngine.h"
#include "media/MediaBlock.h"
#include "platform/Settings.h"
#include "ui/kit/Buttons.h"
#include "ui/kit/Popover.h"
#include "ui/settings/SettingsSection.h"
#include "ui/settings/SettingsView.h"
#include "ui/settings/SettingsWindowController.h"
#include "ui/settings/StreamRow.h"
#include "ui/settings/StreamSettingsView.h"
#include "media/FFmpegTools.h"
#include "streaming/FakeFFmpeg.h"
#include "streaming/GatedKeychain.h"
#include "streaming/KeychainQueue.h"
#include "streaming/StreamManager.h"
#include "streaming/StreamOutput.h"

#include <QTemporaryDir>
#include <QTest>

using namespace tessarin;

namespace {

QWidget* settingsPage(Stage& stage, SettingsSection section)
{
    ContentView& window = stage.window();
    stage.addBlock(QStringLiteral("Apertura"),
                   { stage.item(QStringLiteral("Sigla.mov"), QStringLiteral("clip_5s.mov"), 5) });
    stage.settings().setString(QString::fromLatin1(SettingsView::kSectionKey), settings_section::rawValue(section));
    window.openSettingsWindow();
    stage.settle();
    return SettingsWindowController::shared().window();
}

// The bar's whole row, with its background.
QWidget* topBarRow(Stage& stage)
{
    stage.settle();
    return stage.window().topBar()->parentWidget();
}

} // namespace

TESSARIN_SCREENSHOT(settingsStreaming, "settings-streaming") { return settingsPage(stage, SettingsSection::streaming); }
TESSARIN_SCREENSHOT(settingsOutput, "settings-output") { return settingsPage(stage, SettingsSection::output); }
TESSARIN_SCREENSHOT(settingsAtem, "settings-atem") { return settingsPage(stage, SettingsSection::atem); }
TESSARIN_SCREENSHOT(settingsShortcuts, "settings-shortcuts") { return settingsPage(stage, SettingsSection::shortcuts); }
TESSARIN_SCREENSHOT(settingsSchedule, "settings-schedule") { return settingsPage(stage, SettingsSection::schedule); }
TESSARIN_SCREENSHOT(settingsLanguage, "settings-language") { return settingsPage(stage, SettingsSection::language); }

namespace {

// The streaming page over a test keychain that is locked.
StreamSettingsView* streamingPageOver(Stage& stage, const std::shared_ptr<test::GatedKeychain>& store)
{
    store->setLocked(true);
    auto* manager = new StreamManager(
        stage.settings(), [](int, int, double) { return std::shared_ptr<StreamFrameSource>(); }, {}, stage.clock(),
        std::make_shared<KeychainQueue>(store));
    auto* view = new StreamSettingsView(*manager);
    manager->setParent(view);
    view->resize(620, view->sizeHint().height());
    view->show();
    return view;
}

} // namespace

// The streaming page whose first address is held in a locked keyring, after
// a start: the note under the address and the start's failure.
TESSARIN_SCREENSHOT(settingsStreamingLocked, "settings-streaming-locked")
{
    auto store = std::make_shared<test::GatedKeychain>(true);
    store->put(QStringLiteral("stream.1.url"), QStringLiteral("rtmp://a.example/live/key"));
    auto* view = streamingPageOver(stage, store);
    StreamOutput& first = view->rows().at(0)->output();
    (void)QTest::qWaitFor([&] { return first.isUrlLocked(); }, 10000);
    view->rows().at(0)->startStopButton()->click();
    (void)QTest::qWaitFor([&] { return first.status().state == StreamOutput::Status::State::failed; }, 10000);
    stage.settle();
    return view;
}

// The streaming page with an address typed while the keyring is locked: the
// note that it is not stored.
TESSARIN_SCREENSHOT(settingsStreamingNotStored, "settings-streaming-not-stored")
{
    auto* view = streamingPageOver(stage, std::make_shared<test::GatedKeychain>(true));
    StreamOutput& first = view->rows().at(0)->output();
    (void)QTest::qWaitFor([&] { return !first.isLoadingUrl(); }, 10000);
    first.setUrl(QStringLiteral("rtmp://a.example/live/key"));
    first.saveUrlNow();
    (void)QTest::qWaitFor([&] { return first.isUrlNotStored(); }, 10000);
    stage.settle();
    return view;
}

// The streaming page with the first destination live and frames its
// encoder did not take: the note under the header. The encoder is a
// stand-in that reports progress and then reads nothing.
TESSARIN_SCREENSHOT(settingsStreamingDropped, "settings-streaming-dropped")
{
    static QTemporaryDir dir;
    FFmpegTools::overrideCandidates(QStringList { test::writeFakeFFmpeg(
        dir, QStringLiteral("stalled"), test::kAllEncoders, test::kAllProtocols,
        QStringLiteral("printf 'progress=continue\\n' >&4; exec sleep 60")) });
    auto store = std::make_shared<test::GatedKeychain>(true);
    auto* view = streamingPageOver(stage, store);
    store->setLocked(false);
    StreamOutput& first = view->rows().at(0)->output();
    (void)QTest::qWaitFor([&] { return !first.isLoadingUrl(); }, 10000);
    first.setUrl(QStringLiteral("rtmp://a.example/live/key"));
    first.start(StreamFormat {});
    (void)QTest::qWaitFor([&] { return first.status() == StreamOutput::Status::live(); }, 10000);
    const auto picture = VideoFrame::create(640, 480); // larger than the pipe's buffer
    for (int i = 0; i < 30 + 12; ++i)
        first.submit(picture);
    stage.clock().advance(1.0);
    stage.settle();
    FFmpegTools::overrideCandidates(std::nullopt);
    return view;
}

TESSARIN_SCREENSHOT(popoverStreaming, "popover-streaming")
{
    TopBarView* bar = stage.window().topBar();
    bar->streamingButton()->click();
    stage.settle();
    return bar->streamPopover();
}

TESSARIN_SCREENSHOT(popoverOutput, "popover-output")
{
    TopBarView* bar = stage.window().topBar();
    bar->outputButton()->click();
    stage.settle();
    return bar->outputPopover();
}

// An output asked for on a display that is gone: the top bar's warning and
// the reason on the output page.
TESSARIN_SCREENSHOT(popoverOutputInterrupted, "popover-output-interrupted")
{
    TopBarView* bar = stage.window().topBar();
    stage.window().outputWindowController().present(OutputDisplay { 1, QStringLiteral("HDMI-1"), nullptr },
                                                    std::nullopt);
    bar->outputButton()->click();
    stage.settle();
    return bar->outputPopover();
}

TESSARIN_SCREENSHOT(topBarEmpty, "topbar-empty") { return topBarRow(stage); }

TESSARIN_SCREENSHOT(topBarChanged, "topbar-changed")
{
    stage.window();
    stage.addBlock(QStringLiteral("Apertura"),
                   { stage.item(QStringLiteral("Sigla.mov"), QStringLiteral("clip_5s.mov"), 5) });
    stage.settle(1.6);
    return topBarRow(stage);
}

TESSARIN_SCREENSHOT(topBarOnAirAutomation, "topbar-on-air-automation")
{
    stage.window();
    auto block = stage.addBlock(QStringLiteral("Apertura"),
                                { stage.item(QStringLiteral("Sigla di apertura.mov"), QStringLiteral("clip_5s.mov"), 5) });
    stage.engine().play(block);
    stage.schedule().setArmed(true);
    return topBarRow(stage);
}
