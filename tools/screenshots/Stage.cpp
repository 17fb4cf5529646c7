#include "Stage.h"

#include "app/ContentView.h"
#include "automation/ScheduleController.h"
#include "engine/PlaylistEngine.h"
#include "media/MediaBlock.h"
#include "media/MediaFile.h"
#include "platform/CaptureDevices.h"
#include "platform/Displays.h"
#include "platform/Settings.h"
#include "platform/Workers.h"
#include "platform/player/AudioOutput.h"
#include "show/ShowController.h"
#include "show/ShowDialogs.h"
#include "ui/settings/SettingsWindowController.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTest>

namespace tessarin {
namespace {

class NoCaptureDevices final : public CaptureDeviceEnumerator {
public:
    std::vector<CaptureDeviceInfo> devices() override { return {}; }
    void watch(std::function<void(bool)>) override { }
};

// Panels that are never answered: a state does not open them.
class SilentDialogs final : public ShowDialogs {
public:
    std::optional<QString> chooseShowToOpen(const QString&, const QString&) override { return std::nullopt; }
    std::optional<QString> chooseShowToSave(const QString&, const QString&, const QString&) override
    {
        return std::nullopt;
    }
    void warn(const QString&, const QString&) override { }
    SaveAnswer askToSaveChanges(const QString&, const QString&) override { return SaveAnswer::dontSave; }
};

double startWall()
{
    return double(QDateTime(QDate(2026, 3, 7), QTime(20, 30, 0)).toSecsSinceEpoch());
}

} // namespace

std::vector<ScreenshotState>& screenshotStates()
{
    static std::vector<ScreenshotState> states;
    return states;
}

Stage::Stage()
    : clock_(1000.0, startWall())
    , dialogs_(std::make_unique<SilentDialogs>())
    , media_(std::make_shared<test::FakeMedia>())
    , devices_(std::make_unique<CaptureDevices>(std::make_shared<NoCaptureDevices>()))
    , displays_(std::make_unique<ScreenOnlyDisplays>())
{
    settings_ = std::make_unique<Settings>(dir_.filePath(QStringLiteral("settings.ini")));
    show_ = ShowController::create({*settings_, clock_, *dialogs_,
                                    [this] { return std::make_shared<test::FakeMediaPlayer>(clock_, media_); },
                                    std::make_shared<NullAudioOutput>()});
}

Stage::~Stage()
{
    window_.reset();
    SettingsWindowController::shared().close();
    show_.reset();
    Workers::userInitiated().waitForIdle(20.0);
    QCoreApplication::processEvents();
}

PlaylistEngine& Stage::engine()
{
    return show_->engine();
}

ScheduleController& Stage::schedule()
{
    return show_->schedule();
}

ContentView& Stage::window()
{
    if (!window_) {
        window_ = std::make_unique<ContentView>(*show_, ContentView::Services {*settings_, clock_, *devices_, *displays_});
        window_->show();
        QTest::qWaitForWindowExposed(window_.get());
    }
    return *window_;
}

QString Stage::mediaPath(const QString& name)
{
    return QDir(QStringLiteral(TESSARIN_TEST_MEDIA_DIR)).filePath(name);
}

std::shared_ptr<MediaFile> Stage::item(const QString& shownName, const QString& media, double seconds)
{
    const QString path = dir_.filePath(shownName);
    QFile::copy(mediaPath(media), path);
    media_->durations[path] = seconds;
    return MediaFile::create(QUrl::fromLocalFile(path));
}

std::shared_ptr<MediaBlock> Stage::addBlock(const QString& name, const std::vector<std::shared_ptr<MediaFile>>& items)
{
    auto block = engine().addBlock();
    block->setName(name);
    block->appendItems(items);
    return block;
}

void Stage::settle(double seconds)
{
    Workers::userInitiated().waitForIdle(20.0);
    QCoreApplication::processEvents();
    if (seconds > 0)
        clock_.advance(seconds);
    QCoreApplication::processEvents();
}

} // namespace tessarin
