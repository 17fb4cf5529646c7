#include "platform/KeyframeSeek.h"

#include <algorithm>

namespace tessarin::libav {
namespace {

constexpr std::int64_t kFirstMargin = AV_TIME_BASE / 2;
// Packets read while looking for one key frame, before giving up and taking
// what came (a stream that marks no key frames).
constexpr int kMaxProbePackets = 20000;

std::int64_t rescaled(std::int64_t ts, AVRational base)
{
    return ts == AV_NOPTS_VALUE ? AV_NOPTS_VALUE : av_rescale_q(ts, base, AV_TIME_BASE_Q);
}

bool seekTo(AVFormatContext* input, std::int64_t ts, bool atStart)
{
    // Streams with timestamp discontinuities (MPEG program and transport
    // streams) search by timestamp and may not come back to their very
    // start that way: the start is their first byte.
    const bool byBytes = atStart && (input->iformat->flags & AVFMT_TS_DISCONT)
        && !(input->iformat->flags & AVFMT_NO_BYTE_SEEK);
    if (byBytes && avformat_seek_file(input, -1, 0, 0, 0, AVSEEK_FLAG_BYTE) >= 0)
        return true;
    return avformat_seek_file(input, -1, INT64_MIN, ts, ts, 0) >= 0;
}

} // namespace

KeyframeSeek seekToKeyAtOrBefore(AVFormatContext* input, int streamIndex, std::int64_t target,
    const std::atomic<bool>* abort)
{
    KeyframeSeek result;
    if (!input || streamIndex < 0 || streamIndex >= static_cast<int>(input->nb_streams))
        return result;
    const AVRational base = input->streams[streamIndex]->time_base;
    const std::int64_t start = input->start_time != AV_NOPTS_VALUE ? input->start_time : 0;
    auto aborted = [abort] { return abort && abort->load(std::memory_order_relaxed); };
    PacketPtr packet(av_packet_alloc());
    if (!packet)
        return result;

    std::int64_t margin = 0;
    for (;;) {
        const std::int64_t ts = target - margin;
        const bool atStart = ts <= start;
        result.readAhead.clear();
        result.keyTime = AV_NOPTS_VALUE;
        if (!seekTo(input, atStart ? start : ts, atStart))
            return result;
        result.ok = true;
        bool retry = false;
        for (int read = 0; read < kMaxProbePackets && !aborted(); ++read) {
            if (av_read_frame(input, packet.get()) < 0)
                return result; // the end: whatever came is all there is
            const bool ours = packet->stream_index == streamIndex;
            if (ours && (packet->flags & AV_PKT_FLAG_KEY)) {
                const std::int64_t t = rescaled(packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts, base);
                if (!atStart && t != AV_NOPTS_VALUE && t > target) {
                    retry = true;
                    break;
                }
                // Everything of this stream before its key frame goes.
                std::erase_if(result.readAhead, [streamIndex](const PacketPtr& p) { return p->stream_index == streamIndex; });
                result.keyTime = t;
                if (AVPacket* key = av_packet_alloc()) {
                    av_packet_move_ref(key, packet.get());
                    result.readAhead.push_back(PacketPtr(key));
                }
                av_packet_unref(packet.get());
                return result;
            }
            // Decoding order: once a packet of the stream is decoded past the
            // target, every key frame after it stands past it too.
            if (ours && !atStart) {
                const std::int64_t dts = rescaled(packet->dts, base);
                if (dts != AV_NOPTS_VALUE && dts > target) {
                    retry = true;
                    break;
                }
            }
            AVPacket* kept = av_packet_alloc();
            if (kept) {
                av_packet_move_ref(kept, packet.get());
                result.readAhead.push_back(PacketPtr(kept));
            }
            av_packet_unref(packet.get());
        }
        av_packet_unref(packet.get());
        if (!retry || aborted())
            return result;
        margin = margin == 0 ? kFirstMargin : margin * 2;
    }
}

} // namespace tessarin::libav
