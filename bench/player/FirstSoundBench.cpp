// The first sound of an item started without having been cued, through the
// engine as a double click on its row or play from its row does it
// (`PlaylistEngine::play(item, block)`), on real players: with nothing on
// air, and as a cut and as a crossfade from another item on air (whose
// sound is silence, so the first sound heard is the new item's).
//
// The players mix into an output driven here by a thread at the device's
// pace (512 frames at 48 kHz), which looks at every mixed block: the first
// one that is not silent is the first sound, timed at the moment it is
// mixed. Printed with its parts: the file open (as the main thread learns
// it), the first picture at a video output of the item and the first sound.
// Target: the first sound within 150 ms of the call (median of the starts),
// on an idle machine (the load average is printed). Exits non-zero when the
// target is missed.
//
//   build/bench/player/bench_first_sound [STARTS]
#include "engine/PlaylistEngine.h"
#include "media/MediaBlock.h"
#include "media/MediaFile.h"
#include "platform/Clock.h"
#include "platform/PeriodicThread.h"
#include "platform/Settings.h"
#include "platform/player/AudioOutput.h"
#include "platform/player/FfmpegMediaPlayer.h"
#include "platform/player/PlayerItem.h"
#include "platform/player/VideoFrame.h"
#include "platform/player/VideoOutput.h"

#include "../common/EventWait.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>
#include <QUuid>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

using namespace tessarin;

namespace {

// Makes a file with the ffmpeg program unless it is there already.
QString makeMedia(const QString& name, const QString& args)
{
    const QString dir = QDir::tempPath() + QStringLiteral("/tessarin-player-bench");
    QDir().mkpath(dir);
    const QString path = dir + QLatin1Char('/') + name;
    if (QFileInfo(path).size() > 0)
        return path;
    const QString tmp = dir + QStringLiteral("/tmp.") + name;
    const QString cmd = QStringLiteral("ffmpeg -nostdin -hide_banner -loglevel error -y %1 '%2'").arg(args, tmp);
    if (std::system(cmd.toUtf8().constData()) != 0 || !QFile::rename(tmp, path)) {
        std::fprintf(stderr, "ffmpeg failed: %s\n", qPrintable(cmd));
        std::exit(1);
    }
    return path;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

double worst(const std::vector<double>& v)
{
    return v.empty() ? 0.0 : *std::max_element(v.begin(), v.end());
}

// The output the players mix into, rendered at the device's pace; notes
// when the first block that is not silent was mixed once armed.
class PacedMix {
public:
    PacedMix()
    {
        thread_.start("bench.mix", PeriodicThread::Period { 512ull * 1000000000ull, 48000 }, [this] {
            output_->render(block_.data(), 512);
            if (!armed_.load() || heard_.load() > 0.0)
                return;
            for (float sample : block_) {
                if (sample != 0.0f) {
                    heard_ = HostClock::monotonicSeconds();
                    return;
                }
            }
        });
    }
    ~PacedMix() { thread_.stop(); }
    std::shared_ptr<NullAudioOutput> output() const { return output_; }
    void arm()
    {
        heard_ = 0.0;
        armed_ = true;
    }
    double heard() const { return heard_.load(); }

private:
    std::shared_ptr<NullAudioOutput> output_ = std::make_shared<NullAudioOutput>(512);
    std::vector<float> block_ = std::vector<float>(1024, 0.0f);
    std::atomic<bool> armed_ { false };
    std::atomic<double> heard_ { 0.0 };
    PeriodicThread thread_;
};

std::shared_ptr<MediaFile> fileItem(const QString& path, double seconds)
{
    auto item = MediaFile::create(QUrl::fromLocalFile(path));
    item->setPlayableURL(QUrl::fromLocalFile(path));
    item->setDuration(seconds);
    return item;
}

struct Parts {
    std::vector<double> open, picture, sound;
};

// Plays `item` from its row; the parts in ms from the call.
void startOnce(PlaylistEngine& engine, PacedMix& mix, const std::shared_ptr<MediaFile>& item,
    const std::shared_ptr<MediaBlock>& block, Parts& parts)
{
    const auto before = std::make_pair(engine.playerA()->currentItem(), engine.playerB()->currentItem());
    mix.arm();
    const double start = HostClock::monotonicSeconds();
    engine.play(item, block);
    // The item the engine gave a player, with a probe output that asks for
    // no larger pictures than any other output of it.
    std::shared_ptr<PlayerItem> started;
    for (const auto& player : { engine.playerA(), engine.playerB() }) {
        auto current = player->currentItem();
        if (current && current != before.first && current != before.second)
            started = current;
    }
    auto probe = std::make_shared<VideoOutput>();
    probe->setMaximumSize(QSize(16, 9));
    if (started)
        started->addOutput(probe);
    double opened = 0.0, picture = 0.0;
    while (HostClock::monotonicSeconds() - start < 3.0 && (opened == 0.0 || picture == 0.0 || mix.heard() == 0.0)) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        const double now = HostClock::monotonicSeconds();
        if (opened == 0.0 && started && started->status() != PlayerItem::Status::Unknown)
            opened = now;
        if (picture == 0.0 && probe->copyFrame(probe->itemTime(now)))
            picture = now;
        std::this_thread::sleep_for(std::chrono::microseconds(250));
    }
    if (started)
        started->removeOutput(probe);
    auto ms = [start](double at) { return at > 0.0 ? (at - start) * 1000.0 : 3000.0; };
    parts.open.push_back(ms(opened));
    parts.picture.push_back(ms(picture));
    parts.sound.push_back(ms(mix.heard()));
}

bool report(const char* what, const Parts& parts)
{
    const bool met = median(parts.sound) <= 150.0;
    std::printf("%s: median (worst) of %zu starts: open %.1f ms (%.1f), first picture %.1f ms (%.1f), first sound "
                "mixed %.1f ms (%.1f); target: first sound within 150 ms -> %s\n",
        what, parts.sound.size(), median(parts.open), worst(parts.open), median(parts.picture), worst(parts.picture),
        median(parts.sound), worst(parts.sound), met ? "MET" : "NOT MET");
    return met;
}

} // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    const int starts = argc > 1 ? std::max(3, std::atoi(argv[1])) : 12;
    const QString tone = makeMedia(QStringLiteral("clip_1080p30_60s.mp4"),
        QStringLiteral("-f lavfi -i testsrc2=size=1920x1080:rate=30:duration=60 "
                       "-f lavfi -i sine=frequency=440:sample_rate=48000:duration=60 "
                       "-c:v libx264 -preset veryfast -pix_fmt yuv420p -g 60 -b:v 8M -c:a aac -b:a 128k -ac 2 -shortest"));
    const QString silent = makeMedia(QStringLiteral("silent_1080p30_60s.mp4"),
        QStringLiteral("-f lavfi -i testsrc2=size=1920x1080:rate=30:duration=60 "
                       "-f lavfi -i anullsrc=r=48000:cl=stereo -c:v libx264 -preset veryfast -pix_fmt yuv420p -g 60 "
                       "-b:v 8M -c:a aac -b:a 128k -t 60"));

    QTemporaryDir dir;
    Settings settings(dir.filePath(QStringLiteral("settings.ini")));
    PacedMix mix;
    const auto output = mix.output();
    PlaylistEngine engine(HostClock::shared(), settings,
        [output] { return std::make_shared<FfmpegMediaPlayer>(output, HostClock::shared()); }, output);
    engine.setTransitionStyle(TransitionStyle::cut);
    auto toneItem = fileItem(tone, 60.0);
    auto silentItem = fileItem(silent, 60.0);
    // One item per block, so the engine loads nothing ahead: the item
    // started is opened from its file.
    auto toneBlock = std::make_shared<MediaBlock>(QStringLiteral("Tone"), QUuid::createUuid());
    toneBlock->setItems({ toneItem });
    auto silentBlock = std::make_shared<MediaBlock>(QStringLiteral("Silent"), QUuid::createUuid());
    silentBlock->setItems({ silentItem });
    engine.setBlocks({ silentBlock, toneBlock });
    // The items' own analysis (thumbnail, waveform) runs once, before.
    bench::waitFor([&] { return toneItem->waveform().has_value() && silentItem->waveform().has_value(); }, 60);

    double load[1] = { 0 };
    std::printf("load average %.1f\n", getloadavg(load, 1) == 1 ? load[0] : -1.0);
    Parts idle, cut;
    for (int i = 0; i < starts; ++i) {
        engine.stop();
        bench::waitFor([] { return false; }, 0.2);
        startOnce(engine, mix, toneItem, toneBlock, idle);
    }
    for (int i = 0; i < starts; ++i) {
        engine.stop();
        engine.play(silentItem, silentBlock);
        bench::waitFor([&] {
            return engine.isPlaying()
                && std::max(engine.playerA()->currentTime(), engine.playerB()->currentTime()) > 0.3;
        }, 5);
        startOnce(engine, mix, toneItem, toneBlock, cut);
    }
    // The fade style: the item on air fades out under the new one, which
    // sounds from its first sample under its rising gain.
    Parts faded;
    engine.setTransitionStyle(TransitionStyle::fade);
    for (int i = 0; i < starts; ++i) {
        engine.stop();
        bench::waitFor([&] { return !engine.isPlaying(); }, 5);
        engine.play(silentItem, silentBlock);
        bench::waitFor([&] {
            return engine.isPlaying()
                && std::max(engine.playerA()->currentTime(), engine.playerB()->currentTime()) > 1.5;
        }, 5);
        startOnce(engine, mix, toneItem, toneBlock, faded);
    }
    engine.stop();
    const bool idleMet = report("from nothing on air", idle);
    const bool cutMet = report("as a cut from an item on air", cut);
    const bool fadeMet = report("as a crossfade from an item on air", faded);
    return idleMet && cutMet && fadeMet ? 0 : 1;
}
