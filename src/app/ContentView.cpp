#include "app/ContentView.h"

#include "app/AppMenus.h"
#include "app/OnAirAnnouncements.h"
#include "app/SidePanelView.h"
#include "app/TopBarView.h"
#include "automation/AtemTallyMonitor.h"
#include "automation/PlaylistShortcutEngine.h"
#include "automation/ShortcutManager.h"
#include "engine/DisplayManager.h"
#include "engine/OutputWindowController.h"
#include "engine/PlaylistEngine.h"
#include "platform/KeyPolicy.h"
#include "platform/MainThread.h"
#include "show/BrowserFiles.h"
#include "show/ShowController.h"
#include "streaming/ProgramStreamSources.h"
#include "streaming/StreamManager.h"
#include "streaming/StreamOutput.h"
#include "ui/browser/BrowserColumnView.h"
#include "ui/kit/Announcer.h"
#include "ui/kit/Fills.h"
#include "ui/kit/FocusInView.h"
#include "ui/kit/Theme.h"
#include "ui/playlist/PlaylistView.h"
#include "ui/settings/SettingsWindowController.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QPainter>
#include <QPointer>
#include <QVBoxLayout>

namespace tessarin {
namespace {

class Separator : public QWidget {
public:
    explicit Separator(QWidget* parent)
        : QWidget(parent)
    {
        setFixedHeight(1);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.fillRect(rect(), Theme::background());
        p.fillRect(rect(), Theme::panelBorder());
    }
};

} // namespace

ContentView::ContentView(ShowController& show, const Services& services, QWidget* parent)
    : QMainWindow(parent)
    , show_(show)
    , settings_(services.settings)
    , displayManager_(std::make_unique<DisplayManager>(services.displays))
{
    // The space bar and the other bound keys run their actions first here.
    key_policy::declare(*this, KeyPolicy::shortcuts);
    // Whatever Tab reaches is scrolled into view, in every column and page.
    keepKeyboardFocusInView();
    PlaylistEngine& engine = show_.engine();
    auto streaming = ProgramStreaming::create(services.settings, engine, services.clock);
    streamAudio_ = std::move(streaming.audio);
    streamManager_ = std::move(streaming.manager);
    output_ = std::make_unique<OutputWindowController>(*displayManager_, services.clock,
                                                       OutputWindowController::ContentFactory {});
    shortcuts_ = std::make_unique<ShortcutManager>(services.settings);
    atem_ = std::make_unique<AtemTallyMonitor>(services.settings);
    shortcutEngine_ = std::make_shared<PlaylistShortcutEngine>(&engine);

    auto* content = new QWidget(this);
    // The whole window, its menu bar included: the columns below lay out
    // every control in less.
    setMinimumSize(kMinimumWidth, kMinimumHeight);
    QPalette pal = content->palette();
    pal.setColor(QPalette::Window, Theme::background());
    content->setPalette(pal);
    content->setAutoFillBackground(true);

    auto* topRow = new HeaderFill(content);
    topRow->setObjectName(QStringLiteral("topBarRow"));
    auto* topLayout = new QHBoxLayout(topRow);
    topLayout->setContentsMargins(14, 8, 14, 8);
    topLayout->setSpacing(12);
    topBar_ = new TopBarView(show_, *streamManager_, *output_, *shortcuts_, *atem_, topRow);
    topLayout->addWidget(topBar_, 1);
    topRow->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    // A pill button's height and the padding: the row keeps its height
    // before its elements are in.
    topRow->setMinimumHeight(42);
    connect(topBar_, &TopBarView::settingsRequested, this, &ContentView::openSettingsWindow);
    // The settings window keeps its selected page in the same settings.
    SettingsWindowController::shared().setSettings(&services.settings);

    Settings& settings = services.settings;
    ScheduleController& schedule = show_.schedule();
    BrowserFiles& files = show_.browserFiles();
    playlist_ = new PlaylistView(
        engine, schedule, files, PlaylistView::Services { settings, services.captureDevices, services.clock },
        [&engine, &schedule, &files, &settings](SourceLibrary& sources) -> QWidget* {
            return new SidePanelView(engine, schedule, sources, files, settings);
        },
        content);
    // The browser's rows offer the blocks and layers of their drags in their menus.
    playlist_->browserColumn()->setRowDestinations(engineDestinations(engine));

    auto* stack = new QVBoxLayout(content);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(0);
    stack->addWidget(topRow);
    stack->addWidget(new Separator(content));
    stack->addWidget(playlist_, 1);
    setCentralWidget(content);

    menus_ = new AppMenus(*this, show_);
    std::vector<StreamOutput*> destinations;
    for (const auto& output : streamManager_->outputs())
        destinations.push_back(output.get());
    announcements_ = std::make_unique<OnAirAnnouncements>(engine, &schedule, destinations);
    output_->setOperatorWindow(this);
    // An output that ends by itself is said at once, whatever has the focus.
    connect(output_.get(), &OutputWindowController::interrupted, this,
            [](const QString& reason) { Announcer::shared().announce(reason, Politeness::assertive); });
    connect(&AppNotifications::shared(), &AppNotifications::openSettings, this, &ContentView::openSettingsWindow);

    connect(&show_, &ShowController::changed, this, &ContentView::followTitle);
    connect(&show_, &ShowController::fileURLChanged, this, &ContentView::followTitle);
    connect(&show_, &ShowController::isDirtyChanged, this, &ContentView::followTitle);
    followTitle();
    resize(kDefaultWidth, kDefaultHeight);
}

ContentView::~ContentView()
{
    hideEvent(nullptr);
    // The views observe the window's objects: they go before them.
    delete takeCentralWidget();
}

StreamManager& ContentView::streamManager() const
{
    return *streamManager_;
}

void ContentView::followTitle()
{
    setWindowTitle(show_.title());
}

void ContentView::openSettingsWindow()
{
    SettingsWindowController::shared().show(SettingsContext {
        show_.engine(), *streamManager_, *output_, *shortcuts_, *atem_, show_.schedule() });
}

void ContentView::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    shortcuts_->setEngine(shortcutEngine_);
    shortcuts_->startMonitoring();
    // The link may call from its own thread: the take runs on the main
    // thread, and only while the show controller exists.
    QPointer<ShowController> show(&show_);
    atem_->onProgramCut = [show] {
        postToMain([show] {
            if (show)
                show->engine().takeCued();
        });
    };
    if (atem_->isEnabled())
        atem_->connect();
}

void ContentView::hideEvent(QHideEvent* event)
{
    if (event) {
        QMainWindow::hideEvent(event);
        // Minimising is no disappearance: the keys keep acting.
        if (event->spontaneous() && isMinimized())
            return;
    }
    shortcuts_->stopMonitoring();
    atem_->setConnected(false);
    atem_->setStatusMessage(std::nullopt);
}

void ContentView::closeEvent(QCloseEvent* event)
{
    if (!show_.confirmDiscardingChanges()) {
        event->ignore();
        return;
    }
    event->accept();
    emit quitConfirmed();
    // The other windows (settings, full-screen output) must not keep the
    // application running once the main window is gone.
    SettingsWindowController::shared().close();
    output_->stop();
    QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit, Qt::QueuedConnection);
}

} // namespace tessarin
