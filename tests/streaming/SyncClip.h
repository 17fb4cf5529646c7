#pragma once
// Picture-and-sound sync measurements for the streaming tests and the sync
// benchmark: a clip that flashes white and beeps at the same instants, a
// private PulseAudio server whose null sink plays the program sound at the
// pace of the wall clock, and the flash-to-beep offsets found in a received
// stream.
#include "media/MediaBlock.h"
#include "media/MediaFile.h"
#include "platform/ChildProcess.h"

#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QUuid>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <optional>
#include <vector>

#include <sys/stat.h>

namespace tessarin::test {

// The luma step per picture of the sync clip's frame strip.
inline int syncStripStep(int fps)
{
    return std::max(1, 200 / std::max(1, fps));
}

// Makes a clip of `seconds` (640 x 360 at `fps`, H.264 without B-frames,
// 48 kHz PCM stereo): black and silent but for 0.1 s of white picture and
// a 1 kHz tone together, `count` times: at `first` seconds and every
// `period` after (whole seconds). A grey strip along the bottom tells each
// picture's place in its second: luma 16 plus syncStripStep(fps) per
// picture. False when ffmpeg failed.
inline bool makeSyncClip(const QString& path, double seconds, int fps, double first, double period, int count)
{
    const QString on = QStringLiteral("gte(t\\,%1)*lt(t\\,%3)*lt(mod(t-%1\\,%2)\\,0.1)")
                           .arg(first)
                           .arg(period)
                           .arg(first + (count - 1) * period + 0.5);
    const QString video = QStringLiteral("color=c=black:s=640x360:r=%1:d=%2,"
                                         "drawbox=x=0:y=0:w=iw:h=ih:color=white:t=fill:enable='%3',"
                                         "geq=lum='if(gte(Y\\,H-32)\\,16+%4*mod(N\\,%1)\\,lum(X\\,Y))'"
                                         ":cb='cb(X\\,Y)':cr='cr(X\\,Y)'")
                              .arg(fps)
                              .arg(seconds)
                              .arg(on)
                              .arg(syncStripStep(fps));
    const QString tone = QStringLiteral("if(%1\\,0.7*sin(2*PI*1000*t)\\,0)").arg(on);
    const QString audio = QStringLiteral("aevalsrc=exprs=%1|%1:c=stereo:s=48000:d=%2").arg(tone).arg(seconds);
    const CaptureResult made = runAndCapture(
        QStringLiteral("/usr/bin/ffmpeg"),
        { "-nostdin", "-hide_banner", "-loglevel", "error", "-y", "-f", "lavfi", "-i", video, "-f", "lavfi", "-i", audio,
          "-c:v", "libx264", "-preset", "ultrafast", "-bf", "0", "-g", QString::number(fps), "-pix_fmt", "yuv420p",
          "-c:a", "pcm_s16le", "-shortest", path },
        120.0);
    return made.exitCode.value_or(-1) == 0 && QFile::exists(path);
}

// A block of `count` items of the sync clip, each known to last `seconds`.
inline std::shared_ptr<MediaBlock> syncBlock(const QString& clip, int count, double seconds)
{
    std::vector<std::shared_ptr<MediaFile>> items;
    for (int i = 0; i < count; ++i) {
        auto item = MediaFile::create(QUrl::fromLocalFile(clip));
        item->setPlayableURL(QUrl::fromLocalFile(clip));
        item->setDuration(seconds);
        items.push_back(item);
    }
    auto block = std::make_shared<MediaBlock>(QStringLiteral("Sync"), QUuid::createUuid());
    block->setItems(items);
    return block;
}

// A PulseAudio server of its own (socket in `dir`) with one null sink at
// 48 kHz, which consumes sound at the pace of the wall clock. PULSE_SERVER
// points at it while it lives, so an SDL device opened on the
// "pulseaudio" driver plays into it. Left without clients for 10 s (its
// owner gone without a word), the server ends by itself.
class PulseNullSink {
public:
    explicit PulseNullSink(const QString& dir)
        : socket_(QDir(dir).filePath(QStringLiteral("pulse-native")))
    {
        ::mkdir(QFile::encodeName(dir).constData(), 0700);
        process_ = ChildProcess::spawn(
            QStringLiteral("/usr/bin/pulseaudio"),
            { "-n", "--daemonize=no", "--exit-idle-time=10", "--use-pid-file=no", "--disable-shm=yes",
              "--log-target=stderr", "--log-level=error", "-L", "module-null-sink sink_name=program rate=48000",
              "-L", QStringLiteral("module-native-protocol-unix socket=%1 auth-anonymous=1").arg(socket_) },
            {});
    }
    ~PulseNullSink()
    {
        if (process_)
            process_->terminateAndWait(3.0);
        unsetenv("PULSE_SERVER");
    }
    PulseNullSink(const PulseNullSink&) = delete;
    PulseNullSink& operator=(const PulseNullSink&) = delete;

    // Waits (at most `seconds`) for the server to answer, then points
    // PULSE_SERVER at it.
    bool ready(double seconds = 20.0)
    {
        if (!process_)
            return false;
        const QString server = QStringLiteral("unix:") + socket_;
        for (double waited = 0; waited < seconds; waited += 0.1) {
            const CaptureResult info = runAndCapture(QStringLiteral("/bin/sh"),
                { "-c", QStringLiteral("PULSE_SERVER='%1' pactl info >/dev/null 2>&1").arg(server) }, 5.0);
            if (info.exitCode.value_or(-1) == 0) {
                setenv("PULSE_SERVER", server.toUtf8().constData(), 1);
                return true;
            }
            if (process_->wait(0.1))
                return false; // it ended
        }
        return false;
    }

private:
    QString socket_;
    std::optional<ChildProcess> process_;
};

// The times (seconds of the file's timeline) at which `file` turns white
// (the picture's mean luma rises past the middle) and starts to beep (the
// first millisecond louder than -20 dBFS after at least 0.3 s quieter). A
// file that begins white or loud (a stream joined in the middle of a flash
// or a beep) does not count that as a start: only a change seen counts.
// For each flash, how much of its start the file lacks: a stream leaves out
// the pictures it had no time for and repeats the one before in their
// slots, so the first white picture it carries may be a later one of the
// flash, which its strip tells (`fps` is the clip's). Each picture's time
// and place in its second are kept as well.
struct SyncEvents {
    std::vector<double> flashes;
    std::vector<double> flashLate; // seconds, per flash
    std::vector<double> beeps;
    std::vector<std::pair<double, int>> pictures;
    int fps = 0;
};

// Whether the stream left out every picture of the flash that goes with the
// beep at `beep`: no picture near it shows one of the first 0.1 s of a
// second, where the flashes are.
inline bool flashLeftOut(const SyncEvents& events, double beep)
{
    return std::none_of(events.pictures.begin(), events.pictures.end(), [&](const std::pair<double, int>& picture) {
        return std::abs(picture.first - beep) < 0.15 && picture.second < std::max(1, events.fps / 10);
    });
}

inline SyncEvents findSyncEvents(const QString& file, int fps)
{
    SyncEvents events;
    events.fps = fps;
    auto lines = [](const QString& filter, const QString& entries) {
        const CaptureResult result = runAndCapture(QStringLiteral("/usr/bin/ffprobe"),
            { "-v", "error", "-f", "lavfi", "-i", filter, "-show_entries", entries, "-of", "csv=p=0" }, 1800.0);
        return QString::fromUtf8(result.output).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    };
    const QString luma = QStringLiteral("frame=pts_time:frame_tags=lavfi.signalstats.YAVG");
    const QStringList strips = lines(QStringLiteral("movie='%1',crop=iw:ih/20:0:ih-ih/20,signalstats").arg(file), luma);
    std::optional<bool> white;
    int index = 0;
    for (const QString& line : lines(QStringLiteral("movie='%1',signalstats").arg(file), luma)) {
        const QStringList f = line.split(QLatin1Char(','));
        const QStringList strip = strips.value(index++).split(QLatin1Char(','));
        if (f.size() < 2)
            continue;
        const long step = strip.size() < 2 ? 0 : std::lround((strip[1].toDouble() - 16.0) / syncStripStep(fps));
        const int place = int(((step % fps) + fps) % fps);
        events.pictures.push_back({ f[0].toDouble(), place });
        const bool now = f[1].toDouble() > 128.0;
        if (now && white == false) {
            // The slots a stream filled by repeating the picture before
            // stand where the flash's first pictures belong (a picture shown
            // in the slot of one skipped before it is in its place).
            int repeats = 0;
            for (int j = int(events.pictures.size()) - 2; j >= 1 && repeats < place; --j) {
                if (events.pictures[std::size_t(j)].second != events.pictures[std::size_t(j) - 1].second)
                    break;
                ++repeats;
            }
            events.flashes.push_back(f[0].toDouble());
            events.flashLate.push_back(double(std::min(place, repeats)) / fps);
        }
        white = now;
    }
    double quietSince = -1e9;
    std::optional<bool> loud;
    for (const QString& line :
         lines(QStringLiteral("amovie='%1',aformat=sample_fmts=flt:channel_layouts=mono,asetnsamples=n=48:p=0,"
                              "astats=metadata=1:reset=1:measure_perchannel=none:measure_overall=Peak_level")
                   .arg(file),
               QStringLiteral("frame=pts_time:frame_tags=lavfi.astats.Overall.Peak_level"))) {
        const QStringList f = line.split(QLatin1Char(','));
        if (f.size() < 2)
            continue;
        const double t = f[0].toDouble();
        bool ok = false;
        const double peak = f[1].toDouble(&ok); // "-inf" for silence
        const bool now = ok && peak > -20.0;
        if (now && loud == false && t - quietSince >= 0.3)
            events.beeps.push_back(t);
        if (!now && loud == true)
            quietSince = t;
        loud = now;
    }
    return events;
}

// Each flash with the beep nearest to it (within 0.9 s): beep minus the
// flash's start (its first white picture, less what the file lacks of it),
// seconds, in the order of the flashes; flashes without a beep are left out.
struct SyncOffset {
    double flash = 0;
    double offset = 0;
};

inline std::vector<SyncOffset> syncOffsets(const SyncEvents& events)
{
    std::vector<SyncOffset> out;
    for (std::size_t i = 0; i < events.flashes.size(); ++i) {
        const double flash = events.flashes[i] - (i < events.flashLate.size() ? events.flashLate[i] : 0.0);
        const auto nearest = std::min_element(events.beeps.begin(), events.beeps.end(),
            [&](double a, double b) { return std::abs(a - flash) < std::abs(b - flash); });
        if (nearest != events.beeps.end() && std::abs(*nearest - flash) < 0.9)
            out.push_back({ flash, *nearest - flash });
    }
    return out;
}

} // namespace tessarin::test
