// One 1920 x 1080 program frame as the stream renderer builds it: two 1080p
// players crossfading at 0.5, the fade at 0.5, and two overlays (a still
// with alpha and a video in a corner), against the same operations done by
// an ffmpeg filter graph (scale, blend, colour scaling, overlay) on the same
// pictures, single-threaded in both cases.
#include "engine/MonitorView.h"
#include "engine/PlaylistEngine.h"
#include "engine/ProgramRenderer.h"
#include "platform/ChildProcess.h"
#include "platform/Compositor.h"
#include "platform/FrameView.h"
#include "platform/Settings.h"
#include "platform/player/AudioOutput.h"
#include "platform/player/MediaPlayer.h"
#include "platform/player/PlayerItem.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QRect>

#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <cstdio>
#include <vector>

using namespace tessarin;

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

uint32_t bgra(int r, int g, int b, int a = 255)
{
    return uint32_t(a) << 24 | uint32_t(r & 255) << 16 | uint32_t(g & 255) << 8 | uint32_t(b & 255);
}

uint32_t* row(VideoFrame& f, int y)
{
    return reinterpret_cast<uint32_t*>(f.bits() + size_t(y) * f.bytesPerLine());
}

// The still's band: where it is not transparent.
const QRect kBand(120, 820, 1380, 160);

// Pictures with detail, so no loop sees uniform memory.
struct Sources {
    std::shared_ptr<VideoFrame> a = VideoFrame::create(kWidth, kHeight);
    std::shared_ptr<VideoFrame> b = VideoFrame::create(kWidth, kHeight);
    // A lower third: a translucent band, the rest transparent.
    std::shared_ptr<VideoFrame> still = VideoFrame::create(kWidth, kHeight);
    std::shared_ptr<VideoFrame> video = VideoFrame::create(kWidth, kHeight);
    // The overlay video as its player hands it over: converted at the size
    // it is drawn at (0.35 of the frame).
    std::shared_ptr<VideoFrame> pip = VideoFrame::create(672, 378);

    Sources()
    {
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                row(*a, y)[x] = bgra(x, y, x + y);
                row(*b, y)[x] = bgra(y, x ^ y, x);
                row(*video, y)[x] = bgra(x * 3, y * 3, 128);
                const bool band = kBand.contains(x, y);
                row(*still, y)[x] = band ? bgra(180 * 200 / 255, 20 * 200 / 255, 40 * 200 / 255, 200) : 0;
            }
        }
        for (int y = 0; y < pip->height(); ++y)
            for (int x = 0; x < pip->width(); ++x)
                row(*pip, y)[x] = bgra(x * 3, y * 3, 128);
    }
    BgraView view(const std::shared_ptr<VideoFrame>& f, bool opaque, uint64_t stillId = 0) const
    {
        BgraView v = BgraView::of(*f, opaque);
        v.stillId = stillId;
        return v;
    }
};

const Sources& sources()
{
    static const Sources s;
    return s;
}

// The picture-in-picture overlay: a third of the frame, top right.
const DrawParams kVideoOverlay{.scale = 0.35, .offsetX = 0.3, .offsetY = -0.3};

void composeProgramFrame(benchmark::State& state)
{
    const Sources& s = sources();
    Compositor compositor(kWidth, kHeight);
    const BgraView a = s.view(s.a, true);
    const BgraView b = s.view(s.b, true);
    const BgraView still = s.view(s.still, false, 1);
    const BgraView video = s.view(s.pip, true);
    const double fade = 0.5;
    for (auto _ : state) {
        std::shared_ptr<VideoFrame> frame = compositor.newFrame();
        compositor.drawBaseCrossfade(*frame, &a, Orientation::up, b, Orientation::up, 0.5, fade);
        compositor.drawOver(*frame, still, {});
        compositor.drawOver(*frame, video, kVideoOverlay);
        benchmark::DoNotOptimize(frame->bits());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(composeProgramFrame)->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly(true);

// The same with the fade as a pass of its own and a full-frame overlay
// video with alpha (no scaling), the heaviest blend case.
void composeFullFrameOverlays(benchmark::State& state)
{
    const Sources& s = sources();
    Compositor compositor(kWidth, kHeight);
    const BgraView a = s.view(s.a, true);
    const BgraView b = s.view(s.b, true);
    const BgraView still = s.view(s.still, false, 1);
    const BgraView video = s.view(s.still, false); // alpha, not cached: blended in full each frame
    for (auto _ : state) {
        std::shared_ptr<VideoFrame> frame = compositor.newFrame();
        compositor.drawBase(*frame, &a);
        compositor.drawOver(*frame, b, {.alpha = 0.5});
        compositor.scaleColour(*frame, 0.5);
        compositor.drawOver(*frame, still, {});
        compositor.drawOver(*frame, video, {});
        benchmark::DoNotOptimize(frame->bits());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(composeFullFrameOverlays)->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly(true);

double childrenCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

// Runs ffmpeg over the four pictures as raw BGRA for frames frames and
// returns its CPU time (user and system) in seconds, or a negative value
// when it fails: the goal is a cost, so CPU time, not wall time, on a
// shared machine. With
// log set, ffmpeg's verbose log is kept there (to check the graph for
// inserted conversions).
double runFfmpeg(const QString& dir, const QString& graph, int frames, QString* log = nullptr)
{
    QStringList args{"-nostdin", "-hide_banner", "-loglevel", "error", "-threads", "1",
                     "-filter_threads", "1", "-filter_complex_threads", "1"};
    // ffmpeg writes a verbose report of its run where FFREPORT says.
    const QString report = dir + "/report.log";
    if (log)
        qputenv("FFREPORT", QString("file=%1:level=40").arg(report).toUtf8());
    for (const char* name : {"a", "b", "still", "pip"}) {
        const bool pip = std::strcmp(name, "pip") == 0;
        args << "-f" << "rawvideo" << "-pix_fmt" << "bgra" << "-s" << (pip ? QString("672x378") : QString("%1x%2").arg(kWidth).arg(kHeight))
             << "-framerate" << "25" << "-stream_loop" << "-1" << "-i" << dir + "/" + name + ".raw";
    }
    args << "-filter_complex" << graph << "-map" << "[out]" << "-frames:v" << QString::number(frames) << "-f"
         << "null" << "-";
    const double before = childrenCpuSeconds();
    const CaptureResult result = runAndCapture("/usr/bin/ffmpeg", args, 300.0);
    if (log) {
        qunsetenv("FFREPORT");
        QFile file(report);
        if (file.open(QIODevice::ReadOnly))
            *log = QString::fromUtf8(file.readAll());
    }
    if (!result.started || result.exitCode != 0)
        return -1.0;
    return childrenCpuSeconds() - before;
}

bool writeRaw(const QString& path, const std::shared_ptr<VideoFrame>& frame)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    for (int y = 0; y < frame->height(); ++y)
        file.write(reinterpret_cast<const char*>(row(*frame, y)), qint64(frame->width()) * 4);
    return true;
}

// The ffmpeg side, doing what composeProgramFrame does on packed BGRA all
// the way (no format conversion anywhere in the graph: checked in its log),
// on the same areas: the overlay video at its drawn size as the player
// delivers it, and the still blended over its band only (the compositor
// keeps a still's opaque bounds and blends nothing where it is
// transparent; ffmpeg's crop takes the band without copying). The CPU time
// of the graph minus that of reading the same inputs through a graph that
// does nothing, per frame.
void ffmpegFilterGraph(benchmark::State& state)
{
    QTemporaryDir dir;
    const Sources& s = sources();
    if (!dir.isValid() || !writeRaw(dir.path() + "/a.raw", s.a) || !writeRaw(dir.path() + "/b.raw", s.b)
        || !writeRaw(dir.path() + "/still.raw", s.still) || !writeRaw(dir.path() + "/pip.raw", s.pip)) {
        state.SkipWithError("cannot write the input pictures");
        return;
    }
    // Pip place as composeProgramFrame: 0.35 of the frame about the centre,
    // moved 0.3 right and 0.3 up.
    const int pipW = 672, pipH = 378;
    const int pipX = (kWidth - pipW) / 2 + int(0.3 * kWidth), pipY = (kHeight - pipH) / 2 - int(0.3 * kHeight);
    const QString graph = QString("[1:v]colorchannelmixer=aa=0.5[b];"
                                  "[0:v][b]overlay=format=rgb,"
                                  "colorchannelmixer=rr=0.5:gg=0.5:bb=0.5[prog];"
                                  "[2:v]crop=%3:%4:%5:%6[band];"
                                  "[prog][band]overlay=%5:%6:format=rgb:alpha=premultiplied[o1];"
                                  "[o1][3:v]overlay=%1:%2:format=rgb[out]")
                              .arg(pipX)
                              .arg(pipY)
                              .arg(kBand.width())
                              .arg(kBand.height())
                              .arg(kBand.x())
                              .arg(kBand.y());
    Q_UNUSED(pipW);
    Q_UNUSED(pipH);
    const QString nothing = "[0:v]null[out];[1:v]nullsink;[2:v]nullsink;[3:v]nullsink";
    QString log;
    if (runFfmpeg(dir.path(), graph, 2, &log) < 0) {
        state.SkipWithError("ffmpeg failed");
        return;
    }
    if (log.isEmpty() || log.contains("auto_scale") || log.contains("auto-inserted")) {
        state.SkipWithError("ffmpeg converted a format inside the graph: the comparison would not be fair");
        return;
    }
    constexpr int kFrames = 100;
    for (auto _ : state) {
        const double full = runFfmpeg(dir.path(), graph, kFrames);
        const double reading = runFfmpeg(dir.path(), nothing, kFrames);
        if (full < 0 || reading < 0) {
            state.SkipWithError("ffmpeg failed");
            return;
        }
        state.SetIterationTime(std::max(full - reading, 0.0) / kFrames);
    }
}
BENCHMARK(ffmpegFilterGraph)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5)
    ->ReportAggregatesOnly(true);

// The monitor: a FrameView of 960 x 540 showing a playing 1080p item. Each
// iteration is one new frame pulled and painted (the view repaints only for
// new frames); the share of a core is this time times the frame rate.
void monitorFrame(benchmark::State& state)
{
    const Sources& s = sources();
    const std::vector<std::shared_ptr<VideoFrame>> frames{s.a, s.b};
    FrameView view(HostClock::shared());
    view.resize(960, 540);
    size_t next = 0;
    view.setFrameSource([&] { return frames[next % frames.size()]->image(); });
    QImage target(960, 540, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        ++next;
        view.refresh();
        view.render(&target);
        benchmark::DoNotOptimize(target.constBits());
    }
}
BENCHMARK(monitorFrame)->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly(true);

// A player whose item shows given frames, stepping to the next one when the
// benchmark says: what the decoder hands the renderer, without decoding.
class StepSource final : public PlayerItemSource {
public:
    explicit StepSource(std::vector<std::shared_ptr<VideoFrame>> frames)
        : frames_(std::move(frames))
    {
    }
    double itemTime(double) const override { return 0.0; }
    double currentTime() const override { return 0.0; }
    std::shared_ptr<const VideoFrame> frameAt(double) const override
    {
        return frames_[size_t(step) % frames_.size()];
    }
    std::atomic<int> step { 0 };

private:
    std::vector<std::shared_ptr<VideoFrame>> frames_;
};

class StepPlayer final : public MediaPlayer {
public:
    StepPlayer()
        : MediaPlayer(HostClock::shared())
    {
    }
    std::shared_ptr<StepSource> show(std::vector<std::shared_ptr<VideoFrame>> frames)
    {
        auto item = PlayerItem::create(QStringLiteral("/bench/item.mov"));
        item->claim();
        auto source = std::make_shared<StepSource>(std::move(frames));
        item->setSource(source);
        setCurrentItemValue(item);
        playing_ = true;
        emit currentItemChanged();
        emit rateChanged();
        return source;
    }
    void replaceCurrentItem(const std::shared_ptr<PlayerItem>&) override { }
    void play() override { }
    void pause() override { }
    double rate() const override { return playing_ ? 1.0 : 0.0; }
    double currentTime() const override { return 0.0; }
    void seek(double, SeekTolerance, SeekCompletion) override { }
    void setMuted(bool) override { }
    bool isMuted() const override { return true; }
    void setLooping(bool) override { }
    bool isLooping() const override { return false; }

private:
    bool playing_ = false;
};

// The program renderer's nextFrame() on the same work as
// composeProgramFrame: players A and B crossfading at 0.5 with new frames
// every call, the fade at 0.5, the still overlay and the video overlay.
void programRendererFrame(benchmark::State& state)
{
    const Sources& s = sources();
    auto a = std::make_shared<StepPlayer>();
    auto b = std::make_shared<StepPlayer>();
    auto pip = std::make_shared<StepPlayer>();
    auto sa = a->show({ s.a, s.b });
    auto sb = b->show({ s.b, s.a });
    auto sp = pip->show({ s.pip, VideoFrame::create(672, 378) });
    ProgramSources sources;
    sources.playerA = a;
    sources.playerB = b;
    sources.fadeLevel = [] { return 0.5; };
    sources.mix = [] { return 0.5; };
    ProgramRenderer renderer(sources, kWidth, kHeight, 1.0 / 60, HostClock::shared());
    RenderState render;
    RenderState::Layer still;
    still.id = QUuid::createUuid();
    still.isVisible = true;
    still.cgImage = s.still->image(true);
    RenderState::Layer video;
    video.id = QUuid::createUuid();
    video.isVisible = true;
    video.player = pip;
    video.scale = kVideoOverlay.scale;
    video.offsetX = kVideoOverlay.offsetX;
    video.offsetY = kVideoOverlay.offsetY;
    render.layers = { still, video };
    renderer.setState(render);
    // Let the layers fade in fully before measuring.
    for (int i = 0; i < 20; ++i) {
        renderer.nextFrame();
        QThread::msleep(20);
    }
    for (auto _ : state) {
        ++sa->step;
        ++sb->step;
        ++sp->step;
        std::shared_ptr<VideoFrame> frame = renderer.nextFrame();
        benchmark::DoNotOptimize(frame->bits());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(programRendererFrame)->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly(true);

// The program monitor of the main window at 960 x 540 showing a playing
// 1080p item: each iteration is one new frame composed at the view's size
// and painted. Times the frame rate, this is the monitor's share of a core.
void monitorViewFrame(benchmark::State& state)
{
    const Sources& s = sources();
    QTemporaryDir dir;
    Settings settings(dir.filePath("settings.ini"));
    std::vector<std::shared_ptr<StepPlayer>> players;
    PlaylistEngine engine(HostClock::shared(), settings, [&] {
        auto player = std::make_shared<StepPlayer>();
        players.push_back(player);
        return player;
    }, std::make_shared<NullAudioOutput>());
    auto source = players.at(0)->show({ s.a, s.b });
    MonitorView view(engine, true, HostClock::shared());
    view.resize(960, 540);
    QImage target(960, 540, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        ++source->step;
        view.refresh();
        view.render(&target);
        benchmark::DoNotOptimize(target.constBits());
    }
}
BENCHMARK(monitorViewFrame)->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly(true);

// Prints the two medians side by side with their ratio.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.aggregate_name != "median")
                continue;
            // The thread's CPU time for ours; ffmpeg's CPU time is the manual time.
            const double ms = run.run_name.function_name == "ffmpegFilterGraph" ? run.GetAdjustedRealTime()
                                                                               : run.GetAdjustedCPUTime();
            if (run.run_name.function_name == "composeProgramFrame")
                ours_ = ms;
            else if (run.run_name.function_name == "ffmpegFilterGraph")
                ffmpeg_ = ms;
            else if (run.run_name.function_name == "monitorFrame")
                monitor_ = ms;
            else if (run.run_name.function_name == "programRendererFrame")
                renderer_ = ms;
            else if (run.run_name.function_name == "monitorViewFrame")
                monitorView_ = ms;
        }
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        auto verdict = [this](bool met) {
            missed_ = missed_ || !met;
            return met ? "met" : "NOT met";
        };
        double load[1] = {0};
        std::printf("\nmedian CPU time per frame (load average %.1f): compositor %.3f ms (goal at most 2 ms on one core: "
                    "%s), ffmpeg filter graph on the same packed BGRA pictures and areas %.3f ms",
                    getloadavg(load, 1) == 1 ? load[0] : -1.0, ours_, verdict(ours_ > 0 && ours_ <= 2.0), ffmpeg_);
        if (ours_ > 0 && ffmpeg_ > 0)
            std::printf(", fair ratio %.2fx", ffmpeg_ / ours_);
        std::printf("\n");
        if (renderer_ > 0) {
            std::printf("program renderer nextFrame(): %.3f ms (target at most 4 ms: %s)", renderer_,
                        verdict(renderer_ <= 4.0));
            if (ffmpeg_ > 0)
                std::printf(", ratio to the ffmpeg graph %.2fx (target at least 2: %s)", ffmpeg_ / renderer_,
                            verdict(ffmpeg_ / renderer_ >= 2.0));
            std::printf("\n");
        }
        if (monitorView_ > 0)
            std::printf("program monitor 960 x 540 of a playing 1080p item: %.3f ms a frame, %.1f %% of a core "
                        "at 25 fps, %.1f %% at 30 fps (target at most 25 %%: %s)\n",
                        monitorView_, monitorView_ * 25 / 10, monitorView_ * 30 / 10,
                        verdict(monitorView_ * 30 / 10 <= 25.0));
        if (monitor_ > 0)
            std::printf("monitor 960 x 540 of a 1080p item: %.3f ms a frame, %.1f %% of a core at 25 fps, "
                        "%.1f %% at 30 fps\n",
                        monitor_, monitor_ * 25 / 10, monitor_ * 30 / 10);
    }

    bool missed() const { return missed_ || ours_ <= 0 || ffmpeg_ <= 0; }

private:
    bool missed_ = false;
    double ours_ = 0;
    double ffmpeg_ = 0;
    double monitor_ = 0;
    double renderer_ = 0;
    double monitorView_ = 0;
};

} // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return reporter.missed() ? 1 : 0;
}
