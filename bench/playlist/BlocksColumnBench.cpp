// The blocks column with a show of 50 blocks of 20 items (1,000 rows), in a
// window of the main window's size, on the engine with fake players:
// - BM_OpenShow: the show handed to the engine until the window is drawn
//   (cards and rows made, laid out, the visible part painted); target under 1 s.
// - BM_StartWithShow: the same when the column is made for an engine that
//   already holds the show (the application starting with its last show).
// - BM_GainChange / BM_OnAirChange: one item's gain, or the item on air,
//   changed until the window is drawn again; target under 2 ms, with no row
//   rebuilt and only the rows concerned repainted (counters rows_rebuilt and
//   rows_painted).
// - BM_HoverReorder: two cards swapped while a block drag hovers; target
//   well under a frame (16 ms).
// BM_OnAirChangeEngineOnly is the engine's own share of an on-air change.
// The memory the rows take (heap in use, per row) is printed once at start.
// Items point at files that do not exist: no thumbnails are made.
#include "engine/PlaylistEngine.h"
#include "platform/Clock.h"
#include "platform/Settings.h"
#include "platform/Workers.h"
#include "platform/player/AudioOutput.h"
#include "support/FakeMediaPlayer.h"
#include "ui/playlist/BlockCardView.h"
#include "ui/playlist/MediaRowView.h"
#include "ui/playlist/PlaylistColumnView.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QHBoxLayout>
#include <QPointer>
#include <QSet>
#include <QTemporaryDir>

#include <malloc.h>

#include <cstdio>
#include <memory>

using namespace tessarin;

namespace {

constexpr int kBlocks = 50;
constexpr int kItems = 20;

struct Rig {
    Rig()
        : settings(dir.filePath(QStringLiteral("settings.ini")))
        , engine(HostClock::shared(), settings, [this] { return std::make_shared<test::FakeMediaPlayer>(HostClock::shared(), media); },
                 std::make_shared<NullAudioOutput>())
    {
    }

    static PlaylistEngine::Blocks makeShow()
    {
        PlaylistEngine::Blocks blocks;
        for (int b = 0; b < kBlocks; ++b) {
            MediaBlock::Items items;
            for (int i = 0; i < kItems; ++i) {
                const QUrl url = QUrl::fromLocalFile(QStringLiteral("/nonexistent/bench/clip %1-%2.mp4").arg(b).arg(i));
                auto item = MediaFile::create(url);
                item->setPlayableURL(url);
                item->setDuration(60.0 + i);
                items.push_back(item);
            }
            auto block = std::make_shared<MediaBlock>(QStringLiteral("Blocco %1").arg(b + 1), QUuid::createUuid());
            block->setItems(std::move(items));
            blocks.push_back(block);
        }
        // Let the items' (failing) background analysis finish first.
        Workers::userInitiated().waitForIdle(30.0);
        QCoreApplication::processEvents();
        return blocks;
    }

    QTemporaryDir dir;
    Settings settings;
    std::shared_ptr<test::FakeMedia> media = std::make_shared<test::FakeMedia>();
    PlaylistEngine engine;
};

// A window of the main window's size with the column at its side.
struct Window {
    explicit Window(PlaylistEngine& engine)
    {
        window.resize(1440, 900);
        auto* layout = new QHBoxLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addStretch(1);
        column = new PlaylistColumnView(engine, &window);
        layout->addWidget(column);
        window.show();
        draw();
    }

    void draw()
    {
        QCoreApplication::processEvents();
        window.repaint();
    }

    QList<MediaRowView*> rows() const { return column->findChildren<MediaRowView*>(); }

    QWidget window;
    PlaylistColumnView* column;
};

void flushDeletes()
{
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void BM_OpenShow(benchmark::State& state)
{
    Rig rig;
    Window window(rig.engine);
    for (auto _ : state) {
        state.PauseTiming();
        auto show = Rig::makeShow();
        state.ResumeTiming();
        rig.engine.setBlocks(std::move(show));
        window.draw();
        state.PauseTiming();
        if (window.rows().size() != kBlocks * kItems)
            state.SkipWithError("rows missing");
        rig.engine.setBlocks({});
        flushDeletes();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_OpenShow)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_StartWithShow(benchmark::State& state)
{
    Rig rig;
    rig.engine.setBlocks(Rig::makeShow());
    for (auto _ : state) {
        auto window = std::make_unique<Window>(rig.engine);
        state.PauseTiming();
        window.reset();
        flushDeletes();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartWithShow)->Unit(benchmark::kMillisecond)->Iterations(5);

// Counts the rows that paint (themselves or any of their controls).
class PaintCounter : public QObject {
public:
    explicit PaintCounter(PlaylistColumnView& column)
    {
        for (QWidget* w : column.findChildren<QWidget*>())
            w->installEventFilter(this);
    }
    QSet<MediaRowView*> painted;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            for (QObject* o = watched; o; o = o->parent()) {
                if (auto* row = qobject_cast<MediaRowView*>(o)) {
                    painted.insert(row);
                    break;
                }
            }
        }
        return false;
    }
};

template <typename Change>
void measureChange(benchmark::State& state, Rig& rig, Change change)
{
    Window window(rig.engine);
    QList<QPointer<MediaRowView>> before;
    for (auto* row : window.rows())
        before.append(row);
    PaintCounter counter(*window.column);
    double painted = 0;
    int i = 0;
    for (auto _ : state) {
        counter.painted.clear();
        change(i++);
        // The posted layout and update requests: what changed is laid out
        // and painted into the window.
        QCoreApplication::processEvents();
        painted += counter.painted.size();
    }
    const QList<MediaRowView*> after = window.rows();
    int kept = 0;
    for (const auto& row : before)
        kept += row && after.contains(row.data()) ? 1 : 0;
    state.counters["rows_rebuilt"] = double(after.size() - kept);
    state.counters["rows_painted"] = painted / double(std::max<std::int64_t>(1, state.iterations()));
}

void BM_GainChange(benchmark::State& state)
{
    Rig rig;
    rig.engine.setBlocks(Rig::makeShow());
    auto item = rig.engine.blocks()[0]->items()[1];
    measureChange(state, rig, [&](int i) { item->setGainDB(i % 2 ? -6.0 : -3.0); });
}
BENCHMARK(BM_GainChange)->Unit(benchmark::kMicrosecond);

void BM_OnAirChange(benchmark::State& state)
{
    Rig rig;
    rig.engine.setBlocks(Rig::makeShow());
    auto block = rig.engine.blocks()[0];
    measureChange(state, rig, [&](int i) { rig.engine.play(block->items()[std::size_t(i % 2)], block); });
}
BENCHMARK(BM_OnAirChange)->Unit(benchmark::kMicrosecond);

// A block dragged by its handle hovering over the next card: the engine's
// blocks reordered, the cards moved (with their slide) and the window drawn.
void BM_HoverReorder(benchmark::State& state)
{
    Rig rig;
    rig.engine.setBlocks(Rig::makeShow());
    measureChange(state, rig, [&](int) {
        auto blocks = rig.engine.blocks();
        std::swap(blocks[0], blocks[1]);
        rig.engine.setBlocks(std::move(blocks));
    });
}
BENCHMARK(BM_HoverReorder)->Unit(benchmark::kMicrosecond);

// The engine's own share of an on-air change: the same plays without a window.
void BM_OnAirChangeEngineOnly(benchmark::State& state)
{
    Rig rig;
    rig.engine.setBlocks(Rig::makeShow());
    auto block = rig.engine.blocks()[0];
    int i = 0;
    for (auto _ : state) {
        rig.engine.play(block->items()[std::size_t(i++ % 2)], block);
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_OnAirChangeEngineOnly)->Unit(benchmark::kMicrosecond);

void printRowMemory()
{
    Rig rig;
    auto show = Rig::makeShow();
    const auto heapBefore = mallinfo2().uordblks;
    {
        Window window(rig.engine);
        const auto heapEmpty = mallinfo2().uordblks;
        rig.engine.setBlocks(std::move(show));
        window.draw();
        const auto heapFull = mallinfo2().uordblks;
        std::printf("rows: %d; heap for the cards and rows: %.1f MB (%.1f KB per row); empty column %.1f MB\n",
                    int(window.rows().size()), double(heapFull - heapEmpty) / 1e6,
                    double(heapFull - heapEmpty) / 1e3 / (kBlocks * kItems), double(heapEmpty - heapBefore) / 1e6);
    }
    rig.engine.setBlocks({});
    flushDeletes();
}

} // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    printRowMemory();
    ::benchmark::Initialize(&argc, argv);
    ::benchmark::RunSpecifiedBenchmarks();
    ::benchmark::Shutdown();
    return 0;
}
