// A big show in the real main window, from the process start:
//   bigshow_bench [--items=N --per-block=M] [--media=FOLDER]
//   bigshow_bench --turns [--media=FOLDER]
//   bigshow_bench --takes [--items=N --per-block=M] [--media=FOLDER]
// N real files in blocks of M, the same files in the browser; without
// --items, the shows of 10,000 items in 10 blocks of 1,000, 500 of 20,
// 2,000 of 5 and one of 10,000, and 30,000 items in blocks of 20. The files
// are copies of one short clip (H.264 and AAC, 2 s), made once in the media
// folder (default: the temporary folder) with the ffmpeg program and kept,
// with the show file that names them. Printed and judged (goals for 10,000
// items, whatever the shape, and for 30,000):
//  - window ready and the show listed, from the process start: within 2 s
//    (5 s for 30,000);
//  - peak memory (the process's high-water mark) once every file has been
//    analysed (length, thumbnail, waveform): under 400 MB (800 for 30,000);
//  - the change watcher's check on the main thread's CPU clock: under 4 ms;
//  - an on-air change (the next item of the block on air), the redraw
//    included: under 2 ms of main-thread CPU;
//  - scrolling the browser and the blocks column a page at a time, each to
//    its end: no step over a frame (16 ms of main-thread CPU);
//  - the resident memory once every long list has been scrolled to its end:
//    under 600 MB (rows far from the view must have been given back).
// The reference, measured in the same run, is the same program on a show of
// 100 items, in a child process.
// Then 100,000 items in blocks of 20 (--listing=N[,M] for N items in blocks
// of M alone), opened while the window comes up, judged on:
//  - the window's first paint, from the process start: within 2 s;
//  - answering: a key press posted to the window every 20 ms from another
//    thread, from the first paint until the show is listed; the first one
//    answered within 2 s of the process start, and none waits over 250 ms;
//  - the show listed within 15 s;
//  - the real program (offscreen), given the show and sent SIGTERM halfway
//    through the listing as measured (at least 0.5 s after its start):
//    ended with status 0 within 2 s.
// Exits with 0 only when every goal is met.
// TESSARIN_BENCH_PROFILE=1 with --child prints where the main thread's time
// went up to the show listed, and while scrolling.
// With --turns: five shows of 10,000 items (four shapes over the 30,000
// copies, then the first shape on other files) opened in turn in one window
// through the open panel's path, the resident memory printed once each is
// analysed and quiet (with what malloc holds in use and free, and the
// files mapped);
// the fifth must stay within 5 % of the first.
// With --takes [--items=N --per-block=M]: the show (10,000 items in blocks
// of 1,000 by default) opened, and from the moment it is listed until every
// file is analysed a take every half second, a key press posted from
// another thread whose handler puts the next item on air: no take may wait
// over 100 ms from its key to the engine's switch. Run it beside busy
// processes to see whether the analysis holds the main thread up.
#include "../common/BenchClipCopies.h"
#include "../common/MainThreadProfile.h"
#include "../common/NoDialogs.h"
#include "../common/ProcStatus.h"
#include "../common/ProcessAge.h"
#include "app/AppLook.h"
#include "app/ContentView.h"
#include "engine/PlaylistEngine.h"
#include "media/MediaBlock.h"
#include "media/MediaFile.h"
#include "platform/AllocatorSettings.h"
#include "platform/CaptureDevices.h"
#include "platform/Clock.h"
#include "platform/Displays.h"
#include "platform/ImagePool.h"
#include "platform/RealtimeScheduling.h"
#include "platform/ProcessEnd.h"
#include "platform/Settings.h"
#include "platform/Workers.h"
#include "platform/player/FfmpegMediaPlayer.h"
#include "show/BrowserFiles.h"
#include "show/ShowController.h"
#include "show/ShowDialogs.h"
#include "show/ShowDocument.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QProcess>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QInputDevice>
#include <QKeyEvent>

#include <malloc.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace tessarin;

namespace {

double peakMegabytes()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

// The resident memory now.
double residentMegabytes() { return bench::statusMegabytes("VmRSS"); }

QString showPath(const QString& folder, int items, int perBlock, int first = 0)
{
    return first == 0 ? folder + QStringLiteral("/bigshow-%1-%2.vellumcast").arg(items).arg(perBlock)
                      : folder + QStringLiteral("/bigshow-%1-%2-from-%3.vellumcast")
                                     .arg(items).arg(perBlock).arg(first);
}

// Writes the show file naming items copies of one clip, from the copy
// numbered first (before the child that opens it starts, so its time is not
// the opening's).
QString showFile(const QString& folder, int items, int perBlock, int first = 0)
{
    const QStringList paths = bench::clipCopies(first + items, folder).mid(first);
    ShowDocument document;
    document.layers = {ShowDocument::Layer {}, ShowDocument::Layer {}};
    for (int b = 0; b * perBlock < items; ++b) {
        ShowDocument::Block block;
        block.id = QUuid::createUuid().toString(QUuid::WithoutBraces);
        block.name = QStringLiteral("Blocco %1").arg(b + 1);
        document.blocks.push_back(block);
    }
    for (int i = 0; i < items; ++i) {
        ShowDocument::Item item;
        item.path = paths[i];
        item.loop = false;
        item.isMuted = false;
        item.gainDB = 0.0;
        item.inPoint = 0.0;
        document.browser.push_back(item);
        document.blocks[std::size_t(i / perBlock)].items.push_back(item);
    }
    const QString show = showPath(folder, items, perBlock, first);
    QFile file(show);
    if (!file.open(QIODevice::WriteOnly) || file.write(*document.toJson(ShowDocument::Layout::pretty)) < 0) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(show));
        std::exit(2);
    }
    return show;
}

void runFor(double seconds)
{
    QEventLoop loop;
    QTimer::singleShot(int(seconds * 1000.0), &loop, &QEventLoop::quit);
    loop.exec();
}

// Main-thread CPU milliseconds of work and the event loop's work after it.
template <typename Work>
double mainThreadMs(Work&& work)
{
    const double before = bench::threadCpuSeconds();
    work();
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    return (bench::threadCpuSeconds() - before) * 1000.0;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

// Every item's analysis (length, thumbnail, waveform) done.
bool allAnalysed(ShowController& controller)
{
    const auto analysed = [](const std::shared_ptr<MediaFile>& item) {
        return item->duration() > 0 && item->hasThumbnail() && item->waveform();
    };
    for (const auto& block : controller.engine().blocks())
        if (!std::all_of(block->items().begin(), block->items().end(), analysed))
            return false;
    const auto& files = controller.browserFiles().browserFiles();
    return std::all_of(files.begin(), files.end(), analysed);
}

// The program's show controller on real players, in the program's look.
std::unique_ptr<ShowController> programOnRealPlayers(Settings& settings, ShowDialogs& dialogs)
{
    applyDarkLook(*qApp);
    prepareImagePool();
    Workers::prepareThreads();
    // As the program's main raises its thread (TESSARIN_BENCH_MAIN_AS_IS set:
    // not, to compare).
    if (!qEnvironmentVariableIsSet("TESSARIN_BENCH_MAIN_AS_IS"))
        raiseMainThreadPriority();
    return ShowController::create({settings, HostClock::shared(), dialogs,
                                   [] { return std::make_shared<FfmpegMediaPlayer>(); }, nullptr});
}

struct Figures {
    double ready = 0, quiet = 0, peak = 0, watcher = 0, onAir = 0, scroll = 0, unscrolledResident = 0, scrolledResident = 0;
};

// Runs the scenario in this process and prints one line of figures.
int measure(int items, int perBlock, const QString& folder)
{
    const QString show = showPath(folder, items, perBlock);
    QTemporaryDir dir;
    Settings settings(dir.filePath(QStringLiteral("settings.ini")));
    settings.setString(QLatin1String(ShowController::kLastShowPathKey), show);
    bench::NoDialogs dialogs;
    Figures f;
    auto controller = programOnRealPlayers(settings, dialogs);
    CaptureDevices devices;
    const auto displays = createDisplays();
    {
        ContentView window(*controller, {settings, HostClock::shared(), devices, *displays});
        window.resize(1440, 900);
        window.show();
        if (!QTest::qWaitForWindowExposed(&window))
            std::printf("the window was not exposed\n");
        if (qEnvironmentVariableIsSet("TESSARIN_BENCH_PROFILE"))
            std::printf("window exposed at %.2f s, main-thread CPU %.2f s\n", bench::secondsSinceStart(),
                        bench::threadCpuSeconds());
        // The show is loaded by a queued call once the loop runs.
        PlaylistEngine& engine = controller->engine();
        while (int(controller->browserFiles().browserFiles().size()) < items)
            QCoreApplication::processEvents();
        if (qEnvironmentVariableIsSet("TESSARIN_BENCH_PROFILE"))
            std::printf("show loaded at %.2f s, main-thread CPU %.2f s, peak %.0f MB\n", bench::secondsSinceStart(),
                        bench::threadCpuSeconds(), peakMegabytes());
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        f.ready = bench::secondsSinceStart();
        // Each event measured costs two reads of the thread's clock and a
        // name: the later figures are taken with no event measured unless
        // they are profiled.
        bench::ProfiledApplication::instance().stopMeasure();
        if (qEnvironmentVariableIsSet("TESSARIN_BENCH_PROFILE"))
            bench::ProfiledApplication::instance().report(f.ready);
        int listed = 0;
        for (const auto& block : engine.blocks())
            listed += int(block->items().size());
        if (listed != items)
            std::printf("only %d items in blocks\n", listed);

        QElapsedTimer waited;
        waited.start();
        while (!allAnalysed(*controller) && waited.elapsed() < 600000)
            runFor(0.05);
        f.quiet = bench::secondsSinceStart();
        f.peak = peakMegabytes();
        if (qEnvironmentVariableIsSet("TESSARIN_BENCH_PROFILE")) {
            QFile status(QStringLiteral("/proc/self/status"));
            status.open(QIODevice::ReadOnly);
            for (const QByteArray& line : status.readAll().split('\n'))
                if (line.startsWith("VmRSS") || line.startsWith("VmHWM") || line.startsWith("RssAnon"))
                    std::printf("quiet: %s\n", line.constData());
        }

        // The change watcher: the check that runs every 1.5 s.
        std::vector<double> checks;
        for (int i = 0; i < 20; ++i)
            checks.push_back(mainThreadMs([&] { controller->changeTracker().check(); }));
        f.watcher = median(checks);

        // On-air changes along the first block.
        const auto block = engine.blocks().front();
        engine.play(block->items().front(), block);
        runFor(0.3);
        std::vector<double> changes;
        // Profiled: the changes alone, each call with the events after it.
        const bool profile = qEnvironmentVariableIsSet("TESSARIN_BENCH_PROFILE");
        if (profile) {
            bench::ProfiledApplication::instance().startMeasure();
            bench::ProfiledApplication::instance().stopMeasure();
        }
        // A block of the small show holds 10 items: the changes go round it.
        // TESSARIN_BENCH_TAKES sets their number (10), for a profiler to attach.
        const int takes = qEnvironmentVariableIsSet("TESSARIN_BENCH_TAKES")
            ? std::max(1, qEnvironmentVariableIntValue("TESSARIN_BENCH_TAKES")) : 10;
        for (int i = 1; i <= takes; ++i) {
            if (profile)
                bench::ProfiledApplication::instance().resumeMeasure();
            changes.push_back(mainThreadMs([&] { engine.play(block->items()[std::size_t(i) % block->items().size()], block); }));
            if (profile)
                bench::ProfiledApplication::instance().stopMeasure();
            runFor(0.1);
        }
        if (profile) {
            std::printf("on-air changes (their calls and the events after them, per change):\n");
            bench::ProfiledApplication::instance().report(double(changes.size()), 16);
        }
        engine.stop();
        f.onAir = median(changes);
        // The stop repaints the monitor row, the transport and the top bar:
        // that is the stop's work, not the first page of scrolling.
        runFor(0.3);

        // Scrolling every long list a page at a time to its end. Each page
        // ends as the event loop would, with the widgets given up deleted.
        // Profiled: each list's pages, per page.
        double worst = 0;
        f.unscrolledResident = residentMegabytes();
        // Scroll areas and item views alike (the browser's list is one).
        // Held weakly: scrolling one list gives up the cards (with their
        // item lists) of another.
        std::vector<QPointer<QAbstractScrollArea>> areas;
        for (QAbstractScrollArea* area : window.findChildren<QAbstractScrollArea*>())
            areas.emplace_back(area);
        for (const QPointer<QAbstractScrollArea>& area : areas) {
            if (!area)
                continue;
            QScrollBar* bar = area->verticalScrollBar();
            if (!area->isVisible() || bar->maximum() < 10 * area->viewport()->height())
                continue;
            if (profile)
                bench::ProfiledApplication::instance().startMeasure();
            double areaWorst = 0;
            int worstStep = 0;
            int pages = 0;
            for (; bar->value() < bar->maximum(); ++pages) {
                const int value = std::min(bar->maximum(), bar->value() + area->viewport()->height());
                const double ms = mainThreadMs([&] {
                    bar->setValue(value);
                    window.repaint();
                    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
                });
                if (ms > areaWorst)
                    worstStep = pages;
                areaWorst = std::max(areaWorst, ms);
            }
            if (profile) {
                bench::ProfiledApplication::instance().stopMeasure();
                auto* scrollArea = qobject_cast<QScrollArea*>(area);
                const QObject* scrolled = scrollArea && scrollArea->widget() ? scrollArea->widget() : area;
                std::printf("scrolling %s in %s: worst %.2f ms (page %d of %d), per page:\n",
                            scrolled->metaObject()->className(), area->parentWidget()->metaObject()->className(),
                            areaWorst, worstStep + 1, pages);
                bench::ProfiledApplication::instance().report(double(std::max(pages, 1)), 12);
                std::printf("resident after scrolling it: %.1f MB\n", residentMegabytes());
            }
            worst = std::max(worst, areaWorst);
        }
        f.scroll = worst;
        runFor(0.3);
        f.scrolledResident = residentMegabytes();
    }
    std::printf("FIGURES %d %.3f %.3f %.1f %.3f %.3f %.3f %.1f %.1f\n", items, f.ready, f.quiet, f.peak, f.watcher,
                f.onAir, f.scroll, f.unscrolledResident, f.scrolledResident);
    std::fflush(stdout);
    controller.reset();
    return 0;
}

// Show dialogs whose open panel chooses the show named last.
class OpenPanel final : public ShowDialogs {
public:
    QString next;
    std::optional<QString> chooseShowToOpen(const QString&, const QString&) override { return next; }
    std::optional<QString> chooseShowToSave(const QString&, const QString&, const QString&) override
    {
        return std::nullopt;
    }
    void warn(const QString& title, const QString& text) override
    {
        std::printf("warning: %s: %s\n", qPrintable(title), qPrintable(text));
    }
    SaveAnswer askToSaveChanges(const QString&, const QString&) override { return SaveAnswer::dontSave; }
};

struct Turn {
    int items;
    int perBlock;
    int first; // the first copy of the clip it names
};

// The five shows opened in turn: four shapes of 10,000 items over the
// 30,000 copies, then the first shape again on other files than the first
// show's (a cache that keeps what each file gave would grow with them).
const std::vector<Turn> kTurns {{10000, 1000, 0}, {10000, 20, 10000}, {10000, 5, 20000}, {10000, 10000, 0},
                                {10000, 1000, 10000}};

// Opens the shows one after the other in one main window, each through the
// open panel's path (the question before the open show goes, then the
// file), and prints the resident memory once each is listed, every file
// analysed and the main thread idle a second.
int turns(const QString& folder)
{
    std::vector<QString> shows;
    for (const Turn& turn : kTurns)
        shows.push_back(showFile(folder, turn.items, turn.perBlock, turn.first));
    QTemporaryDir dir;
    Settings settings(dir.filePath(QStringLiteral("settings.ini")));
    OpenPanel dialogs;
    auto controller = programOnRealPlayers(settings, dialogs);
    CaptureDevices devices;
    const auto displays = createDisplays();
    bench::ProfiledApplication::instance().stopMeasure();
    {
        ContentView window(*controller, {settings, HostClock::shared(), devices, *displays});
        window.resize(1440, 900);
        window.show();
        if (!QTest::qWaitForWindowExposed(&window))
            std::printf("the window was not exposed\n");
        runFor(0.5);
        std::printf("TURN 0 %.1f\n", residentMegabytes());
        for (std::size_t i = 0; i < shows.size(); ++i) {
            const Turn& turn = kTurns[i];
            QElapsedTimer opened;
            opened.start();
            dialogs.next = shows[i];
            controller->open();
            const auto analysed = [](const std::shared_ptr<MediaFile>& item) {
                return item->duration() > 0 && item->hasThumbnail() && item->waveform();
            };
            const auto quiet = [&] {
                // The show before stays until the new one's file is read.
                if (controller->isOpening() || !controller->fileURL()
                    || QFileInfo(*controller->fileURL()).fileName() != QFileInfo(shows[i]).fileName())
                    return false;
                const auto& files = controller->browserFiles().browserFiles();
                if (int(files.size()) < turn.items)
                    return false;
                for (const auto& block : controller->engine().blocks())
                    if (!std::all_of(block->items().begin(), block->items().end(), analysed))
                        return false;
                return std::all_of(files.begin(), files.end(), analysed);
            };
            while (!quiet() && opened.elapsed() < 900000)
                runFor(0.05);
            runFor(1.0);
            const struct mallinfo2 heap = mallinfo2();
            std::printf("TURN %zu %.1f %.1f %.1f %.1f %.1f\n", i + 1, residentMegabytes(), opened.elapsed() / 1000.0,
                        double(heap.uordblks + heap.hblkhd) / 1048576.0, bench::statusMegabytes("RssFile"),
                        double(heap.fordblks) / 1048576.0);
            std::fflush(stdout);
        }
    }
    controller.reset();
    return 0;
}

// A thread's time on a core and waiting ready for one, in seconds, from
// the kernel's schedstat of the given task ("self" for the calling thread).
struct CoreTimes {
    double running = 0, ready = 0;
};

CoreTimes coreTimes(const char* path)
{
    CoreTimes times;
    if (FILE* file = std::fopen(path, "r")) {
        unsigned long long run = 0, wait = 0;
        if (std::fscanf(file, "%llu %llu", &run, &wait) == 2)
            times = {double(run) / 1e9, double(wait) / 1e9};
        std::fclose(file);
    }
    return times;
}

// Key presses posted to a window from another thread at a steady pace,
// each stamped; the window's filter runs the key's work (none by default)
// and notes how long each waited, up to the end of that work.
class AnswerProbe final : public QObject {
public:
    static constexpr int kKey = Qt::Key_F35; // bound to nothing

    explicit AnswerProbe(QWidget& window, std::chrono::milliseconds period = std::chrono::milliseconds(20),
                         std::function<void()> work = {})
        : window_(window)
        , work_(std::move(work))
    {
        window.installEventFilter(this);
        QInputDevice::primaryKeyboard(); // made here, the main thread, before the events name it
        mainSchedstat_ = "/proc/self/task/" + std::to_string(gettid()) + "/schedstat";
        thread_ = std::thread([this, period] {
            while (!stop_.load()) {
                {
                    std::lock_guard lock(mutex_);
                    posted_.push_back({std::chrono::steady_clock::now(), coreTimes(mainSchedstat_.c_str())});
                }
                QCoreApplication::postEvent(&window_, new QKeyEvent(QEvent::KeyPress, kKey, Qt::NoModifier));
                std::this_thread::sleep_for(period);
            }
        });
    }
    ~AnswerProbe() override
    {
        stop_.store(true);
        thread_.join();
        window_.removeEventFilter(this);
    }

    // From now on, waits are counted (and the first answer noted).
    void count() { counting_ = true; }
    void stopCounting() { counting_ = false; }
    // Forgets the waits counted so far.
    void restart()
    {
        waits_.clear();
        worstWait_ = 0;
    }
    double firstAnswer() const { return firstAnswer_; }
    double worstWait() const { return worstWait_; }
    const std::vector<double>& waits() const { return waits_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != &window_ || event->type() != QEvent::KeyPress
            || static_cast<QKeyEvent*>(event)->key() != kKey)
            return false;
        const auto workStart = std::chrono::steady_clock::now();
        if (counting_ && work_)
            work_();
        // Waits on a fine clock; /proc's uptime counts hundredths.
        const auto now = std::chrono::steady_clock::now();
        Posted posted {now, {}};
        {
            std::lock_guard lock(mutex_);
            if (answered_ < posted_.size())
                posted = posted_[answered_++];
        }
        if (counting_) {
            if (firstAnswer_ < 0)
                firstAnswer_ = bench::secondsSinceStart();
            waits_.push_back(std::chrono::duration<double>(now - posted.at).count());
            worstWait_ = std::max(worstWait_, waits_.back());
            // A slow take told apart: the main thread running (on the take
            // or on what was queued ahead of it), ready without a core, or
            // asleep (on a lock, a condition, the disk).
            if (waits_.back() > 0.1) {
                const CoreTimes end = coreTimes("/proc/thread-self/schedstat");
                const double running = end.running - posted.main.running, ready = end.ready - posted.main.ready;
                std::printf("SLOW at %.2f s: %.0f ms = the take %.0f, running %.0f, ready %.0f, asleep %.0f\n",
                            bench::secondsSinceStart(), waits_.back() * 1e3,
                            std::chrono::duration<double>(now - workStart).count() * 1e3, running * 1e3, ready * 1e3,
                            (waits_.back() - running - ready) * 1e3);
                std::fflush(stdout);
            }
        }
        return true;
    }

private:
    QWidget& window_;
    std::function<void()> work_;
    std::vector<double> waits_;
    std::thread thread_;
    std::atomic<bool> stop_ {false};
    struct Posted {
        std::chrono::steady_clock::time_point at;
        CoreTimes main;
    };
    std::string mainSchedstat_;
    std::mutex mutex_;
    std::deque<Posted> posted_;
    std::size_t answered_ = 0;
    bool counting_ = false;
    double firstAnswer_ = -1, worstWait_ = 0;
};

// Notes the window's first paint.
class FirstPaint final : public QObject {
public:
    explicit FirstPaint(QWidget& window) { window.installEventFilter(this); }
    double at = -1;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && at < 0)
            at = bench::secondsSinceStart();
        return false;
    }
};

// Takes while the show's files are analysed: from the show listed until
// every file is analysed, a key press posted to the window every half
// second from another thread, whose handler puts the next item of the
// first block on air. Each take's delay runs from its posting to the
// engine's switch done on the main thread. The main thread sleeps between
// events, as the program's event loop does (a loop that polls for them
// would busy a core and be scheduled as a busy thread). Prints the figures.
int measureTakes(int items, int perBlock, const QString& folder)
{
    QTemporaryDir dir;
    Settings settings(dir.filePath(QStringLiteral("settings.ini")));
    settings.setString(QLatin1String(ShowController::kLastShowPathKey), showPath(folder, items, perBlock));
    bench::NoDialogs dialogs;
    auto controller = programOnRealPlayers(settings, dialogs);
    CaptureDevices devices;
    const auto displays = createDisplays();
    std::vector<double> waits;
    std::vector<double> after;
    double analysedAt = -1;
    {
        ContentView window(*controller, {settings, HostClock::shared(), devices, *displays});
        window.resize(1440, 900);
        window.show();
        PlaylistEngine& engine = controller->engine();
        while (controller->isOpening() || int(controller->browserFiles().browserFiles().size()) < items)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        const auto block = engine.blocks().front();
        std::size_t next = 0;
        AnswerProbe probe(window, std::chrono::milliseconds(500), [&] {
            engine.play(block->items()[next++ % block->items().size()], block);
        });
        probe.count();
        QElapsedTimer waited;
        waited.start();
        while (!allAnalysed(*controller) && waited.elapsed() < 600000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        analysedAt = allAnalysed(*controller) ? bench::secondsSinceStart() : -1;
        {
            const auto& files = controller->browserFiles().browserFiles();
            const auto done = std::count_if(files.begin(), files.end(), [](const auto& item) {
                return item->duration() > 0 && item->hasThumbnail() && item->waveform();
            });
            std::printf("ANALYSED %zd of %zu files at %.1f s\n", std::ptrdiff_t(done), files.size(),
                        bench::secondsSinceStart());
        }
        waits = probe.waits();
        // The same takes for a minute once nothing is analysed: what the
        // machine's load alone costs them.
        probe.restart();
        waited.restart();
        while (waited.elapsed() < 60000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        probe.stopCounting();
        after = probe.waits();
        engine.stop();
    }
    const auto figures = [](std::vector<double> w) {
        std::sort(w.begin(), w.end());
        const auto at = [&](double q) { return w.empty() ? 0.0 : w[std::size_t(q * double(w.size() - 1))]; };
        return QString::asprintf("%zu %.4f %.4f %.4f", w.size(), at(0.5), at(0.95), at(1.0)).toStdString();
    };
    std::printf("TAKES %s %.2f\n", figures(waits).c_str(), analysedAt);
    std::printf("AFTER %s\n", figures(after).c_str());
    std::fflush(stdout);
    controller.reset();
    return 0;
}

// The program opening a show while its window comes up, measured until the
// show is listed; prints one line of figures.
int measureListing(int items, int perBlock, const QString& folder)
{
    QTemporaryDir dir;
    Settings settings(dir.filePath(QStringLiteral("settings.ini")));
    settings.setString(QLatin1String(ShowController::kLastShowPathKey), showPath(folder, items, perBlock));
    bench::NoDialogs dialogs;
    auto controller = programOnRealPlayers(settings, dialogs);
    CaptureDevices devices;
    const auto displays = createDisplays();
    double listed = -1;
    double firstPaint = -1, firstAnswer = -1, worstWait = 0;
    {
        ContentView window(*controller, {settings, HostClock::shared(), devices, *displays});
        FirstPaint painted(window);
        AnswerProbe probe(window);
        window.resize(1440, 900);
        window.show();
        const auto isListed = [&] {
            return !controller->isOpening() && int(controller->browserFiles().browserFiles().size()) == items;
        };
        QElapsedTimer waited;
        waited.start();
        while (!isListed() && waited.elapsed() < 120000) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
            if (painted.at >= 0)
                probe.count();
        }
        listed = bench::secondsSinceStart();
        probe.stopCounting();
        if (qEnvironmentVariableIsSet("TESSARIN_BENCH_PROFILE")) {
            std::printf("listed at %.2f s, main-thread CPU %.2f s, peak %.0f MB\n", listed, bench::threadCpuSeconds(),
                        peakMegabytes());
            bench::ProfiledApplication::instance().stopMeasure();
            bench::ProfiledApplication::instance().report(listed, 25);
        }
        firstPaint = painted.at;
        firstAnswer = probe.firstAnswer();
        worstWait = probe.worstWait();
        if (!isListed())
            listed = -1;
        // Gives the analyses up, as the end of the process would.
        Workers::requestEnd();
    }
    std::printf("LISTING %d %.3f %.3f %.3f %.3f\n", items, firstPaint, firstAnswer, worstWait, listed);
    std::fflush(stdout);
    controller.reset();
    return 0;
}

struct Listing {
    double firstPaint = -1, firstAnswer = -1, worstWait = 0, listed = -1;
};

Listing listingChild(const QString& program, int items, int perBlock, const QString& folder)
{
    showFile(folder, items, perBlock);
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, {QStringLiteral("--child"), QStringLiteral("--listing=%1,%2").arg(items).arg(perBlock),
                            QStringLiteral("--media=%1").arg(folder)});
    process.waitForFinished(-1);
    Listing l;
    for (const QByteArray& line : process.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> v = line.split(' ');
        if (line.startsWith("LISTING ") && v.size() >= 6)
            l = {v[2].toDouble(), v[3].toDouble(), v[4].toDouble(), v[5].toDouble()};
    }
    return l;
}

// The real program started on the show and sent SIGTERM after `after`
// seconds: how long it took to end then, and its status (-1: it had to be
// killed after 30 s).
std::pair<double, int> endedWhileListing(const QString& show, double after)
{
    QTemporaryDir dir;
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("SDL_AUDIODRIVER"), QStringLiteral("dummy"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.path()); // its own settings
    env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS")); // no other instance to find
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start(QStringLiteral(TESSARIN_APP_BINARY), {show});
    if (!process.waitForStarted())
        return {-1, -1};
    QThread::msleep(static_cast<unsigned long>(after * 1000));
    QElapsedTimer ending;
    ending.start();
    ::kill(pid_t(process.processId()), SIGTERM);
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished();
        return {ending.elapsed() / 1000.0, -1};
    }
    const double took = ending.elapsed() / 1000.0;
    return {took, process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1};
}

bool parse(const QByteArray& output, Figures& f)
{
    for (const QByteArray& line : output.split('\n')) {
        if (!line.startsWith("FIGURES "))
            continue;
        const QList<QByteArray> v = line.split(' ');
        if (v.size() < 10)
            return false;
        f = {v[2].toDouble(), v[3].toDouble(), v[4].toDouble(), v[5].toDouble(), v[6].toDouble(), v[7].toDouble(),
             v[8].toDouble(), v[9].toDouble()};
        return true;
    }
    return false;
}

Figures child(const QString& program, int items, int perBlock, const QString& folder)
{
    showFile(folder, items, perBlock);
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, {QStringLiteral("--child"), QStringLiteral("--items=%1").arg(items),
                            QStringLiteral("--per-block=%1").arg(perBlock), QStringLiteral("--media=%1").arg(folder)});
    process.waitForFinished(-1);
    Figures f;
    if (!parse(process.readAllStandardOutput(), f)) {
        std::fprintf(stderr, "the run of %d items gave no figures\n", items);
        std::exit(2);
    }
    return f;
}

// Runs the five shows in turn in a child and judges its memory: the fifth
// show (the first's shape on other files) within 5 % of the first.
int turnsVerdict(const QString& program, const QString& folder)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, {QStringLiteral("--child"), QStringLiteral("--turns"), QStringLiteral("--media=%1").arg(folder)});
    process.waitForFinished(-1);
    std::vector<double> resident;
    std::vector<double> seconds;
    std::vector<double> inUse;
    std::vector<double> files;
    std::vector<double> held;
    for (const QByteArray& line : process.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> v = line.split(' ');
        if (v.size() >= 3 && v[0] == "TURN") {
            resident.push_back(v[2].toDouble());
            seconds.push_back(v.size() > 3 ? v[3].toDouble() : 0.0);
            inUse.push_back(v.size() > 4 ? v[4].toDouble() : 0.0);
            files.push_back(v.size() > 5 ? v[5].toDouble() : 0.0);
            held.push_back(v.size() > 6 ? v[6].toDouble() : 0.0);
        }
    }
    if (resident.size() != kTurns.size() + 1) {
        std::fprintf(stderr, "the run of the shows in turn gave %zu figures\n", resident.size());
        return 2;
    }
    std::printf("Five shows of 10,000 items opened in turn through the open panel's path, in one window\n");
    std::printf("%-34s %10s %14s %14s %15s %15s\n", "", "resident", "listed, quiet", "malloc in use",
                "malloc free", "files mapped");
    std::printf("%-34s %7.1f MB\n", "the window, no show", resident[0]);
    for (std::size_t i = 0; i < kTurns.size(); ++i) {
        const Turn& t = kTurns[i];
        const QString what = QStringLiteral("%1. %2 x %3, files %4 to %5")
                                 .arg(i + 1).arg(t.items / t.perBlock).arg(t.perBlock).arg(t.first)
                                 .arg(t.first + t.items - 1);
        std::printf("%-34s %7.1f MB %12.1f s %11.1f MB %12.1f MB %12.1f MB\n", what.toUtf8().constData(),
                    resident[i + 1], seconds[i + 1], inUse[i + 1], held[i + 1], files[i + 1]);
    }
    std::printf("the heap in use after the fifth against the first: %+.1f %%\n",
                (inUse.back() - inUse[1]) / inUse[1] * 100.0);
    const double growth = (resident.back() - resident[1]) / resident[1] * 100.0;
    const bool met = growth < 5.0;
    std::printf("the fifth show against the first (same shape): %+.1f %% (goal under +5 %%): %s\n", growth,
                met ? "met" : "NOT MET");
    return met ? 0 : 1;
}

// Runs the takes while a show is analysed in a child and judges them: no
// take waits over 100 ms for its switch.
int takesVerdict(const QString& program, int items, int perBlock, const QString& folder)
{
    showFile(folder, items, perBlock);
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, {QStringLiteral("--child"), QStringLiteral("--takes"),
                            QStringLiteral("--items=%1").arg(items), QStringLiteral("--per-block=%1").arg(perBlock),
                            QStringLiteral("--media=%1").arg(folder)});
    process.waitForFinished(-1);
    const QList<QByteArray> lines = process.readAllStandardOutput().split('\n');
    for (const QByteArray& line : lines) {
        const QList<QByteArray> v = line.split(' ');
        if (line.startsWith("SLOW ") || line.startsWith("ANALYSED "))
            std::printf("%s\n", line.constData());
        if (line.startsWith("AFTER ") && v.size() >= 5)
            std::printf("then a minute with every file analysed: %s takes, median %.1f ms, 95 %% %.1f ms, worst %.1f ms\n",
                        v[1].constData(), v[2].toDouble() * 1000.0, v[3].toDouble() * 1000.0,
                        v[4].toDouble() * 1000.0);
    }
    for (const QByteArray& line : lines) {
        const QList<QByteArray> v = line.split(' ');
        if (!line.startsWith("TAKES ") || v.size() < 6)
            continue;
        const double worst = v[4].toDouble() * 1000.0;
        std::printf("%d items in blocks of %d, takes every 0.5 s while analysed (every file analysed at %s s):\n",
                    items, perBlock, v[5].constData());
        std::printf("%s takes, delay from the key to the switch: median %.1f ms, 95 %% %.1f ms, worst %.1f ms "
                    "(goal under 100 ms): %s\n",
                    v[1].constData(), v[2].toDouble() * 1000.0, v[3].toDouble() * 1000.0, worst,
                    worst < 100.0 ? "met" : "NOT MET");
        return worst < 100.0 && v[5].toDouble() > 0 ? 0 : 1;
    }
    std::fprintf(stderr, "the run of takes gave no figures\n");
    return 2;
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    int items = 0;
    int perBlock = 0;
    bool isChild = false;
    bool isTurns = false;
    bool isTakes = false;
    int listingItems = 0;
    int listingPerBlock = 20;
    QString folder = bench::benchMediaFolder();
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg.startsWith("--items="))
            items = arg.mid(8).toInt();
        else if (arg.startsWith("--per-block="))
            perBlock = arg.mid(12).toInt();
        else if (arg.startsWith("--media="))
            folder = QString::fromUtf8(arg.mid(8));
        else if (arg == "--child")
            isChild = true;
        else if (arg == "--turns")
            isTurns = true;
        else if (arg == "--takes")
            isTakes = true;
        else if (arg.startsWith("--listing=")) {
            const QList<QByteArray> v = arg.mid(10).split(',');
            listingItems = v.value(0).toInt();
            listingPerBlock = std::max(1, v.value(1, "20").toInt());
        }
    }
    if (isTurns && isChild) {
        applyAllocatorSettings();
        bench::ProfiledApplication app(argc, argv);
        return ProcessEnd::finish(turns(folder), 10.0);
    }
    if (isChild) {
        // The application's allocator settings, as its main applies them:
        // the memory measured is what the application would use.
        applyAllocatorSettings();
        bench::ProfiledApplication app(argc, argv);
        app.startMeasure();
        const int status = listingItems > 0 ? measureListing(listingItems, listingPerBlock, folder)
            : isTakes                       ? measureTakes(items, std::max(1, perBlock), folder)
                                            : measure(items, std::max(1, perBlock), folder);
        return ProcessEnd::finish(status, 10.0);
    }
    QCoreApplication app(argc, argv);
    const QString program = QCoreApplication::applicationFilePath();
    if (isTurns)
        return turnsVerdict(program, folder);
    if (isTakes)
        return takesVerdict(program, items > 0 ? items : 10000, perBlock > 0 ? perBlock : 1000, folder);
    struct Shape {
        int items;
        int perBlock;
    };
    std::vector<Shape> shapes {{10000, 1000}, {10000, 20}, {10000, 5}, {10000, 10000}, {30000, 20}};
    if (items > 0)
        shapes = {{items, perBlock > 0 ? perBlock : std::max(1, items / 10)}};
    if (listingItems > 0)
        shapes.clear();
    else if (items > 0)
        listingItems = 0;
    else
        listingItems = 100000;
    bool met = true;
    const Figures ref = shapes.empty() ? Figures {} : child(program, 100, 10, folder);
    for (const Shape& shape : shapes) {
        const Figures big = child(program, shape.items, shape.perBlock, folder);
        const bool huge = shape.items > 10000;
        std::printf("\n%-44s %12s %12s %s\n", "", "100 items",
                    QStringLiteral("%1 x %2").arg(shape.items / shape.perBlock).arg(shape.perBlock).toUtf8().constData(),
                    "goal");
        const auto line = [&](const char* what, double r, double v, double goal, const char* unit) {
            const bool ok = v < goal;
            met = met && ok;
            std::printf("%-44s %9.2f %s %9.2f %s < %g %s: %s\n", what, r, unit, v, unit, goal, unit,
                        ok ? "met" : "NOT MET");
        };
        line("window ready and the show listed", ref.ready, big.ready, huge ? 5.0 : 2.0, "s ");
        std::printf("%-44s %9.2f s  %9.2f s\n", "every file analysed", ref.quiet, big.quiet);
        line("peak memory", ref.peak, big.peak, huge ? 800.0 : 400.0, "MB");
        line("change watcher, main-thread CPU per check", ref.watcher, big.watcher, 4.0, "ms");
        line("on-air change, main-thread CPU", ref.onAir, big.onAir, 2.0, "ms");
        line("scrolling a page, worst main-thread CPU", ref.scroll, big.scroll, 16.0, "ms");
        std::printf("%-44s %9.2f MB %9.2f MB\n", "resident memory before scrolling", ref.unscrolledResident,
                    big.unscrolledResident);
        line("resident memory, every long list scrolled", ref.scrolledResident, big.scrolledResident,
             huge ? 800.0 : 400.0, "MB");
        std::fflush(stdout);
    }
    if (listingItems > 0) {
        const Listing l = listingChild(program, listingItems, listingPerBlock, folder);
        // Halfway through the listing as the child measured it: while the
        // show is listed, with the window up.
        const double after = std::max(0.5, l.listed / 2.0);
        const auto [took, status] = endedWhileListing(showPath(folder, listingItems, listingPerBlock), after);
        std::printf("\n%d items in blocks of %d, opened while the window comes up (from the process start):\n",
                    listingItems, listingPerBlock);
        const auto line = [&](const char* what, double v, double goal, const char* unit) {
            const bool ok = v >= 0 && v < goal;
            met = met && ok;
            std::printf("%-52s %9.2f %s < %g %s: %s\n", what, v, unit, goal, unit, ok ? "met" : "NOT MET");
        };
        line("window first painted", l.firstPaint, 2.0, "s ");
        line("first key press answered after it", l.firstAnswer, 2.0, "s ");
        line("longest wait of a key press while listing", l.worstWait * 1000.0, 250.0, "ms");
        line("show listed", l.listed, 15.0, "s ");
        line(QStringLiteral("SIGTERM %1 s after the start: ended after").arg(after, 0, 'f', 2).toUtf8().constData(),
             took, 2.0, "s ");
        std::printf("%-52s %9d    = 0: %s\n", "  with status", status, status == 0 ? "met" : "NOT MET");
        met = met && status == 0;
        std::fflush(stdout);
    }
    return met ? 0 : 1;
}
