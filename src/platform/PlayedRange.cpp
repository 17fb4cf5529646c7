#include "platform/PlayedRange.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tessarin::libav {

namespace {

constexpr double kUnknown = std::numeric_limits<double>::quiet_NaN();
constexpr double kNoEnd = std::numeric_limits<double>::infinity();
// Decoded before the end to find its last sample: more than any decoder
// needs to settle after a seek (Opus asks for 80 ms).
constexpr std::int64_t kTail = 2 * AV_TIME_BASE;
// Sound decoded at most: a length estimated from the bit rate may put the
// seek far before the end, and the end is not worth decoding a file for.
constexpr double kMostDecoded = 30.0;

bool hasStream(const AVFormatContext* input, int index)
{
    return index >= 0 && static_cast<unsigned>(index) < input->nb_streams;
}

std::int64_t fileStart(const AVFormatContext* input)
{
    return input->start_time != AV_NOPTS_VALUE ? input->start_time : 0;
}

double containerDuration(const AVFormatContext* input)
{
    if (input->duration == AV_NOPTS_VALUE || input->duration <= 0)
        return kUnknown;
    return static_cast<double>(input->duration) / AV_TIME_BASE;
}

// The end of the last sample the decoder delivers from `from` (AV_TIME_BASE,
// the file's timeline) on, in seconds; NaN when nothing was decoded.
double decodedEnd(AVFormatContext* input, const AVStream* stream, std::int64_t from)
{
    if (avformat_seek_file(input, -1, INT64_MIN, from, from, 0) < 0)
        return kUnknown;
    CodecPtr decoder = openDecoder(stream, 1, nullptr);
    PacketPtr packet(av_packet_alloc());
    FramePtr frame(av_frame_alloc());
    if (!decoder || !packet || !frame)
        return kUnknown;
    const double timeBase = av_q2d(stream->time_base);
    double end = kUnknown;
    double decoded = 0.0;
    auto receive = [&] {
        while (avcodec_receive_frame(decoder.get(), frame.get()) == 0) {
            const std::int64_t ts = frame->best_effort_timestamp;
            if (frame->sample_rate > 0 && (ts != AV_NOPTS_VALUE || std::isfinite(end))) {
                const double length = frame->nb_samples / static_cast<double>(frame->sample_rate);
                const double frameEnd = (ts != AV_NOPTS_VALUE ? ts * timeBase : end) + length;
                end = std::isfinite(end) ? std::max(end, frameEnd) : frameEnd;
                decoded += length;
            }
            av_frame_unref(frame.get());
        }
    };
    while (av_read_frame(input, packet.get()) >= 0) {
        if (packet->stream_index == stream->index && avcodec_send_packet(decoder.get(), packet.get()) >= 0)
            receive();
        av_packet_unref(packet.get());
        if (decoded > kMostDecoded)
            return kUnknown;
    }
    avcodec_send_packet(decoder.get(), nullptr);
    receive();
    return end;
}

} // namespace

double itemStart(const AVFormatContext* input, int audioStream, int videoStream)
{
    if (!hasStream(input, videoStream) && hasStream(input, audioStream)) {
        const AVStream* stream = input->streams[audioStream];
        if (stream->start_time != AV_NOPTS_VALUE)
            return std::max(stream->start_time * av_q2d(stream->time_base), 0.0);
    }
    if (input->start_time != AV_NOPTS_VALUE && input->start_time > 0)
        return input->start_time / static_cast<double>(AV_TIME_BASE);
    return 0.0;
}

double statedAudioEnd(const AVFormatContext* input, int audioStream)
{
    if (!hasStream(input, audioStream) || input->duration_estimation_method != AVFMT_DURATION_FROM_STREAM)
        return kNoEnd;
    const AVStream* stream = input->streams[audioStream];
    if (stream->duration == AV_NOPTS_VALUE || stream->duration <= 0)
        return kNoEnd;
    const std::int64_t start = stream->start_time != AV_NOPTS_VALUE ? stream->start_time : 0;
    return (start + stream->duration) * av_q2d(stream->time_base);
}

double playedDuration(AVFormatContext* input, int audioStream, int videoStream)
{
    const double stated = containerDuration(input);
    if (hasStream(input, videoStream) || !hasStream(input, audioStream) || !std::isfinite(stated))
        return stated;
    const std::int64_t from = std::max(fileStart(input) + input->duration - kTail, fileStart(input));
    const double end = std::min(decodedEnd(input, input->streams[audioStream], from), statedAudioEnd(input, audioStream));
    rewindOrSeekStart(input);
    const double length = end - itemStart(input, audioStream, videoStream);
    return length > 0.0 ? length : stated;
}

} // namespace tessarin::libav
