// The launch decision (which ffmpeg, which encoder, whether a second ffmpeg
// sends) and the ffmpeg command lines of a stream destination.
#include "media/FFmpegTools.h"
#include "streaming/StreamOutput.h"

#include <QCoreApplication>

#include <algorithm>

namespace tessarin {
namespace {

// Texts of this file, looked up as StreamOutput's.
struct Texts {
    Q_DECLARE_TR_FUNCTIONS(StreamOutput)
};

QString protocolMessage(const QString& scheme)
{
    return Texts::tr("Questo ffmpeg non può inviare in %1: serve una build con libsrt").arg(scheme.toUpper());
}

} // namespace

std::variant<StreamOutput::LaunchPlan, QString> StreamOutput::decide(const QString& scheme, const StreamFormat& format,
                                                                     InterlacedCodec codec, bool hevc)
{
    const bool interlaced = format.scan == StreamFormat::Scan::interlaced;
    if (interlaced && codec == InterlacedCodec::h264) {
        const auto ffmpeg = FFmpegTools::ffmpegPath(QStringLiteral("libx264"));
        if (!ffmpeg)
            return Texts::tr("L'H.264 interlacciato richiede un ffmpeg con x264 installato (es. con apt: apt install "
                      "ffmpeg). In alternativa usa MPEG-2 con SRT.");
        LaunchPlan plan { *ffmpeg, Encoder::x264Interlaced, std::nullopt, {} };
        if (scheme == QStringLiteral("srt")) {
            if (FFmpegTools::supports(QStringLiteral("srt"), *ffmpeg, true))
                return plan;
            const auto first = FFmpegTools::ffmpegPath();
            if (first && FFmpegTools::supports(QStringLiteral("srt"), *first, true)) {
                plan.sender = *first;
                return plan;
            }
            return Texts::tr("Nessun ffmpeg disponibile può inviare in SRT");
        }
        if (FFmpegTools::supports(scheme, *ffmpeg, true))
            return plan;
        return protocolMessage(scheme);
    }

    const auto ffmpeg = FFmpegTools::ffmpegPath();
    if (!ffmpeg)
        return Texts::tr("ffmpeg non trovato: serve per lo streaming");
    LaunchPlan plan { *ffmpeg, Encoder::x264, std::nullopt, {} };
    if (interlaced) {
        if (!FFmpegTools::hasEncoder(QStringLiteral("mpeg2video"), *ffmpeg))
            return Texts::tr("Questo ffmpeg non ha l'encoder MPEG-2");
        plan.encoder = Encoder::mpeg2Interlaced;
    } else if (const auto hardware = hardwareEncoder(*ffmpeg, hevc, format)) {
        plan.encoder = hardware->encoder;
        plan.device = hardware->device;
    } else if (hevc) {
        // H.265 is encoded in hardware or not at all: a software H.265
        // encoder cannot keep up with a live picture on an ordinary computer.
        return Texts::tr("Nessun encoder H.265 hardware funzionante su questo computer: scegli H.264");
    } else if (FFmpegTools::hasEncoder(QStringLiteral("libx264"), *ffmpeg)) {
        plan.encoder = Encoder::x264;
    } else {
        return Texts::tr("Questo ffmpeg non ha un encoder H.264");
    }
    if (!FFmpegTools::supports(scheme, *ffmpeg, true))
        return protocolMessage(scheme);
    return plan;
}

QStringList StreamOutput::arguments(const QString& address, const QString& scheme, const StreamFormat& format,
                                    int bitrate, Encoder encoder, bool chained, const QString& device)
{
    const QString rate = StreamFormat::ffmpegValue(format.rate);
    // About one second of pictures: at 8 MB a 1080p picture, 512 of them
    // would let the encoder's input hold some 4 GB before anything is dropped.
    const int num = StreamFormat::rateNumerator(format.rate);
    const int den = std::max(StreamFormat::rateDenominator(format.rate), 1);
    const int oneSecond = std::clamp((num + den - 1) / den, 1, 512);
    // Both inputs are raw with their formats given, so ffmpeg need not
    // analyse them: its default look at each input holds the encoder's start
    // back by a second or more after it has taken the first picture, which
    // starts the run's clock; the slots of that wait were then made up in a
    // burst of repeats while fresh pictures had to be refused.
    QStringList args {
        "-hide_banner", "-loglevel", "error", "-nostdin", "-nostats",
        "-thread_queue_size", QString::number(oneSecond), "-probesize", "32", "-analyzeduration", "0",
        "-f", "rawvideo", "-pixel_format", "bgra",
        "-video_size", QStringLiteral("%1x%2").arg(format.width()).arg(format.height()),
        "-framerate", rate, "-i", "pipe:0",
        "-thread_queue_size", "512", "-probesize", "32", "-analyzeduration", "0",
        "-f", "f32le", "-sample_rate", "48000", "-ch_layout", "stereo",
        "-i", "pipe:3", "-map", "0:v", "-map", "1:a",
    };

    args << encoderArguments(encoder, device);
    int bufsize = 2 * bitrate;
    int gop = format.keyframeInterval();
    if (encoder == Encoder::mpeg2Interlaced) {
        bufsize = std::min(bufsize, 9781);
        gop = std::min(gop, 15);
    }
    args << "-b:v" << QStringLiteral("%1k").arg(bitrate) << "-maxrate" << QStringLiteral("%1k").arg(bitrate)
         << "-bufsize" << QStringLiteral("%1k").arg(bufsize);
    if (const auto pixels = pixelFormat(encoder))
        args << "-pix_fmt" << *pixels;
    args << "-g" << QString::number(gop) << "-c:a" << "aac" << "-b:a" << "160k" << "-ar" << "48000" << "-ac" << "2" << "-af" << "aresample=async=1"
         << "-fps_mode" << "cfr" << "-r" << rate;

    if (chained) {
        args << "-f" << "mpegts" << "pipe:1";
    } else {
        args << "-progress" << "pipe:4";
        if (scheme == QStringLiteral("srt"))
            args << "-f" << "mpegts";
        else
            args << "-flvflags" << "no_duration_filesize" << "-f" << "flv";
        args << address;
    }
    return args;
}

QStringList StreamOutput::encoderArguments(Encoder encoder, const QString& device)
{
    switch (encoder) {
    case Encoder::h264Vaapi:
    case Encoder::hevcVaapi: {
        // The pictures go to the device as NV12 surfaces; the device option
        // applies to the whole command line wherever it stands.
        QStringList args { "-vaapi_device", device, "-vf", "format=nv12,hwupload" };
        if (encoder == Encoder::h264Vaapi)
            args << "-c:v" << "h264_vaapi" << "-profile:v" << "high";
        else
            args << "-c:v" << "hevc_vaapi" << "-profile:v" << "main" << "-tag:v" << "hvc1";
        return args;
    }
    case Encoder::h264Nvenc:
        return { "-c:v", "h264_nvenc", "-preset", "p4", "-tune", "ll", "-zerolatency", "1", "-profile:v", "high" };
    case Encoder::hevcNvenc:
        return { "-c:v", "hevc_nvenc", "-preset", "p4", "-tune", "ll", "-zerolatency", "1", "-profile:v", "main",
                 "-tag:v", "hvc1" };
    case Encoder::h264Qsv:
        return { "-c:v", "h264_qsv", "-preset", "veryfast", "-async_depth", "1", "-profile:v", "high" };
    case Encoder::hevcQsv:
        return { "-c:v", "hevc_qsv", "-preset", "veryfast", "-async_depth", "1", "-profile:v", "main", "-tag:v", "hvc1" };
    case Encoder::x264:
        return { "-c:v", "libx264", "-preset", "veryfast", "-tune", "zerolatency", "-profile:v", "high" };
    case Encoder::x264Interlaced:
        return { "-vf", "setfield=tff", "-c:v", "libx264", "-preset", "veryfast", "-profile:v", "high",
                 "-flags", "+ilme+ildct", "-x264opts", "tff=1" };
    case Encoder::mpeg2Interlaced:
        return { "-vf", "setfield=tff", "-c:v", "mpeg2video", "-flags", "+ildct+ilme", "-bf", "2" };
    }
    return {};
}

std::optional<QString> StreamOutput::pixelFormat(Encoder encoder)
{
    switch (encoder) {
    case Encoder::h264Vaapi:
    case Encoder::hevcVaapi:
        return std::nullopt; // the graph's own format=nv12 before the upload
    case Encoder::h264Qsv:
    case Encoder::hevcQsv:
        return QStringLiteral("nv12"); // Quick Sync takes no planar 4:2:0
    default:
        return QStringLiteral("yuv420p");
    }
}

QStringList StreamOutput::senderArguments(const QString& address)
{
    return { "-hide_banner", "-loglevel", "error", "-nostdin", "-nostats", "-fflags", "+nobuffer",
             "-probesize", "500000", "-analyzeduration", "500000", "-f", "mpegts", "-i", "pipe:0",
             "-c", "copy", "-progress", "pipe:4", "-f", "mpegts", address };
}

} // namespace tessarin
