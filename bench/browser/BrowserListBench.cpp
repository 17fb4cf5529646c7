// The browser keeps one row per file and reuses rows when the list changes.
// These measure, for a show with 500 browser files, what the main thread
// pays: filling the column when the show opens, appending one file (rows
// reused, one made), removing one, and a click that changes the selection.
// Target: a one-file change or a click well under a frame (16 ms).
#include "media/MediaFile.h"
#include "media/SourceLibrary.h"
#include "platform/CaptureDevices.h"
#include "platform/Settings.h"
#include "platform/Workers.h"
#include "show/BrowserFiles.h"
#include "ui/browser/BrowserColumnView.h"
#include "ui/browser/BrowserMediaList.h"
#include "ui/browser/BrowserRow.h"

#include <QApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdlib>

using namespace tessarin;

namespace {

class NoDevices final : public CaptureDeviceEnumerator {
public:
    std::vector<CaptureDeviceInfo> devices() override { return {}; }
    void watch(std::function<void(bool)>) override {}
};

struct Column {
    QTemporaryDir dir;
    Settings settings { dir.filePath("settings.ini") };
    CaptureDevices devices { std::make_shared<NoDevices>() };
    SourceLibrary library { settings, devices };
    BrowserFiles files;
    BrowserColumnView view { files, library };
    Column()
    {
        view.resize(260, 900);
        view.show();
    }
};

// Items of files that do not exist: their analysis ends at once.
BrowserFiles::Files makeFiles(int count)
{
    BrowserFiles::Files list;
    for (int i = 0; i < count; ++i)
        list.push_back(MediaFile::create(QUrl::fromLocalFile(QStringLiteral("/nonexistent/show/clip %1.mov").arg(i))));
    return list;
}

void BM_OpenShow(benchmark::State& state)
{
    Column column;
    const auto list = makeFiles(int(state.range(0)));
    for (auto _ : state) {
        column.files.setBrowserFiles(list);
        QApplication::processEvents();
        state.PauseTiming();
        column.files.setBrowserFiles({});
        QApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_OpenShow)->Arg(500)->Unit(benchmark::kMillisecond);

void BM_AppendAndRemoveOne(benchmark::State& state)
{
    Column column;
    const auto list = makeFiles(500);
    const auto extra = makeFiles(1);
    column.files.setBrowserFiles(list);
    QApplication::processEvents();
    for (auto _ : state) {
        auto longer = list;
        longer.push_back(extra.front());
        column.files.setBrowserFiles(std::move(longer));
        QApplication::processEvents();
        column.files.setBrowserFiles(list);
        QApplication::processEvents();
    }
}
BENCHMARK(BM_AppendAndRemoveOne)->Unit(benchmark::kMillisecond);

void BM_ShiftClick(benchmark::State& state)
{
    Column column;
    const auto list = makeFiles(500);
    column.files.setBrowserFiles(list);
    QApplication::processEvents();
    int i = 0;
    for (auto _ : state) {
        column.view.select(list[std::size_t(i % 500)], i % 500, i % 2 ? Qt::ShiftModifier : Qt::NoModifier);
        QApplication::processEvents();
        ++i;
    }
}
BENCHMARK(BM_ShiftClick)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    Workers::userInitiated().waitForIdle(30.0);
    return 0;
}
