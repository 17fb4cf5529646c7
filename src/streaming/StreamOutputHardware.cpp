// Finding a hardware video encoder that works on this computer: ffmpeg lists
// the VAAPI, NVENC and Quick Sync encoders it was built with whether or not
// the hardware and its driver are here, so each candidate encodes a few
// frames before it is chosen.
#include "media/FFmpegTools.h"
#include "platform/ChildProcess.h"
#include "streaming/StreamOutput.h"

#include <QDir>

#include <map>
#include <mutex>
#include <tuple>

namespace tessarin {
namespace {

struct HardwareProbes {
    // Held for a whole probe: a second output asking the same question
    // waits for the first answer instead of running the trials again.
    std::mutex lock;
    std::optional<QString> folderOverride;
    std::map<std::tuple<QString, bool, int, int>, std::optional<StreamOutput::HardwareChoice>> answers;
};

HardwareProbes& probes()
{
    static auto* instance = new HardwareProbes; // used by launch threads until the end
    return *instance;
}

QString renderNodeIn(const QString& folder)
{
    const QStringList nodes = QDir(folder).entryList({ QStringLiteral("renderD*") }, QDir::System | QDir::Files,
                                                     QDir::Name);
    return nodes.isEmpty() ? QString() : QDir(folder).filePath(nodes.constFirst());
}

QString encoderName(StreamOutput::Encoder encoder)
{
    const QStringList args = StreamOutput::encoderArguments(encoder, QString());
    return args.value(args.indexOf(QStringLiteral("-c:v")) + 1);
}

} // namespace

void StreamOutput::overrideRenderNodeFolder(std::optional<QString> folder)
{
    std::lock_guard guard(probes().lock);
    probes().folderOverride = std::move(folder);
}

void StreamOutput::forgetHardwareEncoders()
{
    std::lock_guard guard(probes().lock);
    probes().answers.clear();
}

QString StreamOutput::firstRenderNode()
{
    std::optional<QString> folder;
    {
        std::lock_guard guard(probes().lock);
        folder = probes().folderOverride;
    }
    return renderNodeIn(folder.value_or(QStringLiteral("/dev/dri")));
}

QStringList StreamOutput::trialArguments(Encoder encoder, const QString& device, const StreamFormat& format)
{
    QStringList args { "-hide_banner", "-loglevel", "error", "-nostdin", "-f", "lavfi", "-i",
                       QStringLiteral("color=c=black:s=%1x%2:r=%3")
                           .arg(format.width())
                           .arg(format.height())
                           .arg(StreamFormat::ffmpegValue(format.rate)),
                       "-frames:v", "5" };
    args << encoderArguments(encoder, device);
    if (const auto pixels = pixelFormat(encoder))
        args << "-pix_fmt" << *pixels;
    args << "-f" << "null" << "-";
    return args;
}

std::optional<StreamOutput::HardwareChoice> StreamOutput::hardwareEncoder(const QString& ffmpeg, bool hevc,
                                                                          const StreamFormat& format)
{
    HardwareProbes& state = probes();
    std::unique_lock guard(state.lock);
    const auto key = std::make_tuple(ffmpeg, hevc, format.width(), format.height());
    if (const auto known = state.answers.find(key); known != state.answers.end())
        return known->second;

    const QString device = renderNodeIn(state.folderOverride.value_or(QStringLiteral("/dev/dri")));
    const QStringList listed =
        FFmpegTools::tokens(FFmpegTools::run(ffmpeg, { QStringLiteral("-hide_banner"), QStringLiteral("-encoders") }));
    const Encoder candidates[] = { hevc ? Encoder::hevcVaapi : Encoder::h264Vaapi,
                                   hevc ? Encoder::hevcNvenc : Encoder::h264Nvenc,
                                   hevc ? Encoder::hevcQsv : Encoder::h264Qsv };
    std::optional<HardwareChoice> answer;
    for (const Encoder candidate : candidates) {
        const bool vaapi = candidate == Encoder::h264Vaapi || candidate == Encoder::hevcVaapi;
        if (!listed.contains(encoderName(candidate)) || (vaapi && device.isEmpty()))
            continue;
        const QString candidateDevice = vaapi ? device : QString();
        const CaptureResult trial = runAndCapture(ffmpeg, trialArguments(candidate, candidateDevice, format),
                                                  FFmpegTools::probeTimeoutSeconds());
        if (trial.started && !trial.timedOut && trial.exitCode == 0) {
            answer = HardwareChoice { candidate, candidateDevice };
            break;
        }
    }
    state.answers.emplace(key, answer);
    return answer;
}

} // namespace tessarin
