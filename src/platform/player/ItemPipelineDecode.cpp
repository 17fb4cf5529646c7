// The decode side of ItemPipeline: the video and audio decode threads,
// pictures converted to BGRA at the size they are drawn, sound resampled to
// the output format and cut at the seek target and the out-point.
#include "platform/player/ItemPipeline.h"

#include "platform/PixelKernels.h"
#include "platform/RealtimeScheduling.h"
#include "platform/ThreadName.h"
#include "platform/player/PipelineTuning.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/pixdesc.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <thread>

namespace tessarin {

using namespace pipeline;

namespace {

struct PacketDeleter {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};

// The sample depth of a planar 4:2:0 format of 9 to 16 bits a sample in
// native 16-bit words without alpha; 0 for any other.
int deepPlanarDepth(AVPixelFormat format)
{
    const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(format);
    if (!d || d->nb_components != 3 || !(d->flags & AV_PIX_FMT_FLAG_PLANAR) || (d->flags & AV_PIX_FMT_FLAG_BE)
        || (d->flags & (AV_PIX_FMT_FLAG_RGB | AV_PIX_FMT_FLAG_ALPHA | AV_PIX_FMT_FLAG_PAL))
        || d->log2_chroma_w != 1 || d->log2_chroma_h != 1)
        return 0;
    for (int c = 0; c < 3; ++c) {
        if (d->comp[c].plane != c || d->comp[c].step != 2 || d->comp[c].shift != 0 || d->comp[c].offset != 0
            || d->comp[c].depth != d->comp[0].depth)
            return 0;
    }
    return d->comp[0].depth > 8 && d->comp[0].depth <= 16 ? d->comp[0].depth : 0;
}

} // namespace

// --- decoding --------------------------------------------------------------------

void ItemPipeline::videoMain()
{
    setCurrentThreadName("Vellumcast.MediaPlayer.video");
    decodeLoop(videoCtx_.get(), videoPackets_, true);
}

void ItemPipeline::audioMain()
{
    setCurrentThreadName("Vellumcast.MediaPlayer.audio");
    // The sound it decodes is what the output plays next: it does not wait
    // behind busy processes for its share (nor does the reader, see
    // demuxMain), so its ring stays full on a loaded machine.
    raiseCurrentThreadPriority();
    decodeLoop(audioCtx_.get(), audioPackets_, false);
}

void ItemPipeline::decodeLoop(AVCodecContext* ctx, PacketQueue& queue, bool video)
{
    AVFrame* frame = av_frame_alloc();
    std::uint64_t serial = 0;
    double lap = 0.0;
    auto receiveAll = [&] {
        while (!abort_ && avcodec_receive_frame(ctx, frame) == 0) {
            if (serialCurrent(serial)) {
                if (video)
                    handleVideoFrame(frame, serial, lap);
                else
                    handleAudioFrame(frame, serial, lap);
            }
            av_frame_unref(frame);
        }
    };
    PacketEntry entry;
    while (!abort_ && queue.get(entry)) {
        std::unique_ptr<AVPacket, PacketDeleter> packet(entry.packet);
        if (entry.serial != queue.serial())
            continue; // stale: a seek came after it
        switch (entry.kind) {
        case PacketEntry::Kind::Flush:
            avcodec_flush_buffers(ctx);
            serial = entry.serial;
            lap = 0.0;
            resetDecoder(video, serial);
            break;
        case PacketEntry::Kind::Data: {
            if (entry.serial != serial)
                break;
            lap = entry.lapOffset;
            // A decoder slower than real time drops what nothing refers to
            // until it is on time again (mpv's decoder frame dropping):
            // skipping late pictures after decoding them saves nothing.
            if (video)
                ctx->skip_frame = videoPace_.skipUnreferenced() ? AVDISCARD_NONREF : AVDISCARD_DEFAULT;
            if (video && !waitForPictureRoom(serial))
                break; // a seek or the end came meanwhile
            int rc = avcodec_send_packet(ctx, packet.get());
            while (rc == AVERROR(EAGAIN) && !abort_) {
                receiveAll();
                rc = avcodec_send_packet(ctx, packet.get());
            }
            receiveAll();
            break;
        }
        case PacketEntry::Kind::Silence:
            // Every packet read before it is decoded: the output starves
            // once it has played all of the ring.
            if (entry.serial == serial && !video)
                fillSilence(ring_.available() == 0 ? std::max(entry.silentUntil, entry.silentIfStarved) : entry.silentUntil,
                    serial, !entry.toEnd);
            break;
        case PacketEntry::Kind::Drain:
        case PacketEntry::Kind::Loop:
            if (entry.serial != serial)
                break;
            avcodec_send_packet(ctx, nullptr);
            receiveAll();
            avcodec_flush_buffers(ctx);
            if (entry.kind == PacketEntry::Kind::Loop)
                lap = entry.lapOffset;
            else
                finishDecoder(video, serial);
            break;
        }
    }
    av_frame_free(&frame);
}

void ItemPipeline::resetDecoder(bool video, std::uint64_t serial)
{
    if (video) {
        {
            std::lock_guard lock(framesMutex_);
            frames_.clear();
        }
        videoFirst_ = true;
        videoStartWaiting_ = -1;
        videoPace_.reset();
        videoBusySince_ = now();
        videoPastEnd_ = false;
        videoLastEnd_ = std::max(serialState().target, 0.0);
    } else {
        ring_.reset(serial);
        if (swr_) {
            swr_close(swr_);
            swr_init(swr_);
        }
        expectedAudioPts_ = -1.0;
        audioFirst_ = true;
        audioPastEnd_ = false;
        // The sound stands at the position's start: the target, or the
        // item's start; a seek whose landing only the pictures tell has
        // its sound placed by the first sound decoded.
        const SerialState st = serialState();
        audioLastEnd_ = std::max(st.target, 0.0);
        audioPlaced_ = st.target > -1.0e299 || !st.snapToFirst;
        audioSilenceFrom_ = std::numeric_limits<double>::quiet_NaN();
    }
}

void ItemPipeline::finishDecoder(bool video, std::uint64_t serial)
{
    if (video) {
        streamFinished(true, serial, std::min(videoLastEnd_, endLimit()));
        return;
    }
    if (swr_ && !audioPastEnd_ && std::isnan(audioSilenceFrom_)) {
        // What the resampler still holds comes out at the end (not after
        // the silence that ends the sound: those few samples are left out).
        const int cap = 4096;
        if (convertBuffer_.size() < static_cast<std::size_t>(cap) * 2)
            convertBuffer_.resize(static_cast<std::size_t>(cap) * 2);
        std::uint8_t* out[1] = { reinterpret_cast<std::uint8_t*>(convertBuffer_.data()) };
        const int n = swr_convert(swr_, out, cap, nullptr, 0);
        if (n > 0)
            pushAudio(convertBuffer_.data(), n, audioLastEnd_, serial);
    }
    streamFinished(false, serial, std::min(audioLastEnd_, endLimit()));
}

// While the clock does not run (loaded ahead, paused), the decoder is fed
// no packet once the queue has its room: otherwise it would decode one more
// picture and hold it, waiting for room in handleVideoFrame, beside those
// its frame threads hold (4.7 MB at 1080p, for every item loaded ahead).
// Once the clock runs, the queue's room is the one wait. False when the
// packet is no longer wanted (a seek, or the pipeline's end).
bool ItemPipeline::waitForPictureRoom(std::uint64_t serial)
{
    for (;;) {
        if (abort_ || !serialCurrent(serial))
            return false;
        if (videoPictureBytes_ == 0 || clock_.isRunning())
            return true;
        std::unique_lock lock(framesMutex_);
        if (frames_.size() < queuedPictures(videoPictureBytes_, videoDecodedSize_, false))
            return true;
        framesWake_.wait_for(lock, kPoll);
    }
}

void ItemPipeline::handleVideoFrame(AVFrame* frame, std::uint64_t serial, double lapOffset)
{
    if (videoPastEnd_)
        return;
    const std::int64_t ts = frame->best_effort_timestamp;
    double t = ts != AV_NOPTS_VALUE ? ts * videoTimeBase_ - startOffset_ + lapOffset : videoLastEnd_;
    double duration = frame->pkt_duration > 0 ? frame->pkt_duration * videoTimeBase_ : frameDuration_;
    if (!(duration > 0.0) || duration > 1.0)
        duration = frameDuration_;
    const SerialState st = serialState();
    // Zero tolerance: the first picture is the one standing at the target.
    if (t + duration <= st.target + 1e-6)
        return;
    const double limit = endLimit();
    if (t >= limit - 1e-6) {
        videoPastEnd_ = true;
        streamFinished(true, serial, limit);
        return;
    }
    // Late at the decode side: its whole time is already past; skip it
    // rather than hold up the pictures after it (ffplay's framedrop).
    const double advance = std::max(t + duration - videoLastEnd_, duration);
    if (!videoFirst_ && clock_.isRunning() && t + duration < clock_.now(now())) {
        dropped_.fetch_add(1, std::memory_order_relaxed);
        videoLastEnd_ = t + duration;
        const double done = now();
        videoPace_.picture(done - videoBusySince_, advance, true);
        videoBusySince_ = done;
        return;
    }

    const int width = frame->width;
    const int height = frame->height;
    // At the largest size the pictures are drawn at: scaled in the pass
    // that makes them BGRA, never enlarged.
    int outWidth = width;
    int outHeight = height;
    const QSize drawn = item_->pictureSizeLimit();
    if (!drawn.isEmpty() && (width > drawn.width() || height > drawn.height())) {
        const double scale = std::min(static_cast<double>(drawn.width()) / width, static_cast<double>(drawn.height()) / height);
        outWidth = std::clamp(static_cast<int>(std::lround(width * scale)), 1, width);
        outHeight = std::clamp(static_cast<int>(std::lround(height * scale)), 1, height);
    }
    // Room first, then the picture: a converted picture never waits beside
    // a full queue (the decoded one waits, and the decoder with it).
    videoPictureBytes_ = std::size_t(outWidth) * 4 * std::size_t(outHeight);
    videoDecodedSize_ = QSize(width, height);
    const double waitStart = now();
    for (;;) {
        if (abort_ || !serialCurrent(serial))
            return;
        const double clockNow = clock_.now(now());
        const std::size_t room = queuedPictures(videoPictureBytes_, videoDecodedSize_, clock_.isRunning());
        std::unique_lock lock(framesMutex_);
        pruneFrames(clockNow); // frames leave the queue as the clock passes them
        if (frames_.size() < room)
            break;
        framesWake_.wait_for(lock, kPoll);
    }
    videoBusySince_ += now() - waitStart; // waiting is not decoding
    auto out = VideoFrame::createForOverwrite(outWidth, outHeight);
    if (!out)
        return;
    int srcRange = frame->color_range == AVCOL_RANGE_JPEG ? 1 : 0;
    auto srcFormat = static_cast<AVPixelFormat>(frame->format);
    switch (srcFormat) { // the full-range "J" formats are their plain ones with full range
    case AV_PIX_FMT_YUVJ420P: srcFormat = AV_PIX_FMT_YUV420P; srcRange = 1; break;
    case AV_PIX_FMT_YUVJ422P: srcFormat = AV_PIX_FMT_YUV422P; srcRange = 1; break;
    case AV_PIX_FMT_YUVJ444P: srcFormat = AV_PIX_FMT_YUV444P; srcRange = 1; break;
    default: break;
    }
    // A picture drawn at half its size or less is first halved in its own
    // 4:2:0 planes (2 x 2 means): libswscale converts without scaling much
    // faster than it scales and converts in one pass.
    const std::uint8_t* srcData[4] = { frame->data[0], frame->data[1], frame->data[2], frame->data[3] };
    int srcStride[4] = { frame->linesize[0], frame->linesize[1], frame->linesize[2], frame->linesize[3] };
    int srcWidth = width;
    int srcHeight = height;
    // Deep 4:2:0 pictures (10-bit HEVC, ...) drawn at half their size or
    // less are halved straight into 8-bit planes: the first pass reads the
    // large picture once, and everything after it works on a quarter of it
    // at the depth the BGRA picture has anyway.
    const int depth = deepPlanarDepth(srcFormat);
    if (depth > 0 && width % 4 == 0 && height % 4 == 0 && width / 2 >= outWidth && height / 2 >= outHeight) {
        srcWidth /= 2;
        srcHeight /= 2;
        const int lumaSize = srcWidth * srcHeight;
        const int chromaSize = lumaSize / 4;
        deep_.resize(static_cast<std::size_t>(lumaSize + 2 * chromaSize));
        std::uint8_t* halved[3] = { deep_.data(), deep_.data() + lumaSize, deep_.data() + lumaSize + chromaSize };
        for (int p = 0; p < 3; ++p) {
            const int w = p == 0 ? srcWidth : srcWidth / 2;
            const int h = p == 0 ? srcHeight : srcHeight / 2;
            for (int y = 0; y < h; ++y) {
                const auto* above = reinterpret_cast<const std::uint16_t*>(srcData[p] + std::ptrdiff_t(2 * y) * srcStride[p]);
                const auto* below = reinterpret_cast<const std::uint16_t*>(srcData[p] + std::ptrdiff_t(2 * y + 1) * srcStride[p]);
                pixels::halveDeepPlaneRow(above, below, w, depth, halved[p] + std::ptrdiff_t(y) * w);
            }
            srcData[p] = halved[p];
            srcStride[p] = w;
        }
        srcFormat = AV_PIX_FMT_YUV420P;
    }
    if (srcFormat == AV_PIX_FMT_YUV420P) {
        for (auto& planes : halved_) {
            if (srcWidth % 4 != 0 || srcHeight % 4 != 0 || srcWidth / 2 < outWidth || srcHeight / 2 < outHeight)
                break;
            srcWidth /= 2;
            srcHeight /= 2;
            const int lumaSize = srcWidth * srcHeight;
            const int chromaSize = lumaSize / 4;
            planes.resize(static_cast<std::size_t>(lumaSize + 2 * chromaSize));
            std::uint8_t* halved[3] = { planes.data(), planes.data() + lumaSize, planes.data() + lumaSize + chromaSize };
            for (int p = 0; p < 3; ++p) {
                const int w = p == 0 ? srcWidth : srcWidth / 2;
                const int h = p == 0 ? srcHeight : srcHeight / 2;
                for (int y = 0; y < h; ++y) {
                    const std::uint8_t* above = srcData[p] + std::ptrdiff_t(2 * y) * srcStride[p];
                    pixels::halvePlaneRow(above, above + srcStride[p], w, halved[p] + std::ptrdiff_t(y) * w);
                }
                srcData[p] = halved[p];
                srcStride[p] = w;
            }
        }
        // Scaled in the planes, then converted at the same size: libswscale
        // scales planar pictures with its vector code, and packs BGRA from
        // a scaled picture with plain C.
        if (srcWidth != outWidth || srcHeight != outHeight) {
            planeSws_ = sws_getCachedContext(planeSws_, srcWidth, srcHeight, AV_PIX_FMT_YUV420P, outWidth, outHeight,
                AV_PIX_FMT_YUV420P, SWS_BILINEAR, nullptr, nullptr, nullptr);
            if (planeSws_) {
                const int lumaStride = (outWidth + 63) / 64 * 64;
                const int chromaStride = ((outWidth + 1) / 2 + 63) / 64 * 64;
                const int chromaHeight = (outHeight + 1) / 2;
                const std::size_t lumaSize = static_cast<std::size_t>(lumaStride) * outHeight;
                const std::size_t chromaSize = static_cast<std::size_t>(chromaStride) * chromaHeight;
                resized_.resize(lumaSize + 2 * chromaSize + 64);
                std::uint8_t* planes[4] = { resized_.data(), resized_.data() + lumaSize,
                    resized_.data() + lumaSize + chromaSize, nullptr };
                int strides[4] = { lumaStride, chromaStride, chromaStride, 0 };
                if (sws_scale(planeSws_, srcData, srcStride, 0, srcHeight, planes, strides) == outHeight) {
                    for (int p = 0; p < 3; ++p) {
                        srcData[p] = planes[p];
                        srcStride[p] = strides[p];
                    }
                    srcWidth = outWidth;
                    srcHeight = outHeight;
                }
            }
        }
    }
    SwsContext* context = sws_getCachedContext(sws_, srcWidth, srcHeight, srcFormat, outWidth, outHeight,
        AV_PIX_FMT_BGRA, SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (!context)
        return;
    int space = SWS_CS_ITU601;
    if (frame->colorspace == AVCOL_SPC_BT709 || (frame->colorspace == AVCOL_SPC_UNSPECIFIED && height >= 720))
        space = SWS_CS_ITU709;
    // Rebuilding the conversion tables costs time: only when something changed.
    const std::int64_t key = (static_cast<std::int64_t>(srcWidth) << 40) ^ (static_cast<std::int64_t>(srcHeight) << 16)
        ^ (static_cast<std::int64_t>(outWidth) << 52) ^ (static_cast<std::int64_t>(outHeight) << 28) ^ srcFormat;
    if (context != sws_ || space != swsSpace_ || srcRange != swsRange_ || key != swsKey_) {
        sws_setColorspaceDetails(context, sws_getCoefficients(space), srcRange, sws_getCoefficients(SWS_CS_DEFAULT), 1,
            0, 1 << 16, 1 << 16);
        swsSpace_ = space;
        swsRange_ = srcRange;
        swsKey_ = key;
    }
    sws_ = context;
    std::uint8_t* dst[4] = { out->bits(), nullptr, nullptr, nullptr };
    int dstStride[4] = { out->bytesPerLine(), 0, 0, 0 };
    sws_scale(sws_, srcData, srcStride, 0, srcHeight, dst, dstStride);
    // Pictures with an alpha channel (ProRes 4444, VP9 with alpha) keep
    // it, premultiplied as everything that draws them expects.
    const AVPixFmtDescriptor* described = av_pix_fmt_desc_get(srcFormat);
    out->hasAlpha = described && (described->flags & AV_PIX_FMT_FLAG_ALPHA);
    if (out->hasAlpha) {
        for (int y = 0; y < outHeight; ++y)
            pixels::premultiplyRow(reinterpret_cast<std::uint32_t*>(out->bits() + std::ptrdiff_t(y) * out->bytesPerLine()),
                outWidth);
    }
    out->time = t;
    out->duration = std::min(duration, limit - t);
    videoLastEnd_ = t + out->duration;
    videoPace_.picture(now() - videoBusySince_, advance, false);

    {
        std::lock_guard lock(framesMutex_);
        if (abort_ || !serialCurrent(serial))
            return;
        frames_.push_back(out);
    }
    videoBusySince_ = now();
    if (videoFirst_) {
        videoFirst_ = false;
        videoFirstTime_ = t;
        videoStartWaiting_ = startPictures(QSize(width, height)) - 1;
    } else if (videoStartWaiting_ > 0) {
        --videoStartWaiting_;
    }
    if (videoStartWaiting_ == 0) {
        videoStartWaiting_ = -1;
        firstDecoded(serial, videoFirstTime_);
    }
}

bool ItemPipeline::configureResampler(const AVFrame* frame)
{
    if (swr_ && frame->sample_rate == swrInRate_ && frame->format == swrInFormat_
        && frame->ch_layout.nb_channels == swrInChannels_)
        return true;
    swr_free(&swr_);
    AVChannelLayout outLayout {};
    av_channel_layout_default(&outLayout, 2);
    AVChannelLayout inLayout {};
    if (av_channel_layout_check(&frame->ch_layout) && frame->ch_layout.order != AV_CHANNEL_ORDER_UNSPEC)
        av_channel_layout_copy(&inLayout, &frame->ch_layout);
    else
        av_channel_layout_default(&inLayout, std::max(frame->ch_layout.nb_channels, 1));
    const int rc = swr_alloc_set_opts2(&swr_, &outLayout, AV_SAMPLE_FMT_FLT, static_cast<int>(kOutputRate), &inLayout,
        static_cast<AVSampleFormat>(frame->format), frame->sample_rate, 0, nullptr);
    const bool mono = inLayout.nb_channels == 1;
    av_channel_layout_uninit(&inLayout);
    av_channel_layout_uninit(&outLayout);
    if (rc >= 0 && swr_ && mono) {
        const double both[2] = { 1.0, 1.0 }; // mono at full level on both sides, not 3 dB down
        swr_set_matrix(swr_, both, 1);
    }
    if (rc < 0 || !swr_ || swr_init(swr_) < 0) {
        swr_free(&swr_);
        return false;
    }
    swrInRate_ = frame->sample_rate;
    swrInFormat_ = frame->format;
    swrInChannels_ = frame->ch_layout.nb_channels;
    return true;
}

void ItemPipeline::handleAudioFrame(AVFrame* frame, std::uint64_t serial, double lapOffset)
{
    if (audioPastEnd_ || frame->sample_rate <= 0 || frame->nb_samples <= 0)
        return;
    if (!configureResampler(frame))
        return;
    const std::int64_t ts = frame->best_effort_timestamp;
    double pts = ts != AV_NOPTS_VALUE ? ts * audioTimeBase_ - startOffset_ + lapOffset : expectedAudioPts_;
    if (expectedAudioPts_ > -0.5 && (!std::isfinite(pts) || std::fabs(pts - expectedAudioPts_) < 0.02))
        pts = expectedAudioPts_; // keep a run of samples contiguous
    if (!std::isfinite(pts))
        pts = 0.0;
    expectedAudioPts_ = pts + frame->nb_samples / static_cast<double>(frame->sample_rate);
    // The encoder's padding after the sound's stated end is not played: cut
    // in the decoded samples, so the resampler ends exactly there.
    int samples = frame->nb_samples;
    const double stated = audioEnd_ + lapOffset;
    if (stated < expectedAudioPts_) {
        const double kept = (stated - pts) * frame->sample_rate;
        if (!(kept >= 0.5))
            return;
        samples = static_cast<int>(std::min<long long>(std::llround(kept), samples));
    }
    // What the resampler already holds comes out first, so the output
    // starts that much earlier than this frame.
    const double held = swr_get_delay(swr_, static_cast<std::int64_t>(kOutputRate)) / kOutputRate;
    const std::int64_t capacity = av_rescale_rnd(swr_get_delay(swr_, frame->sample_rate) + samples,
                                      static_cast<std::int64_t>(kOutputRate), frame->sample_rate, AV_ROUND_UP)
        + 32;
    if (capacity <= 0 || capacity > (1 << 22))
        return;
    if (convertBuffer_.size() < static_cast<std::size_t>(capacity) * 2)
        convertBuffer_.resize(static_cast<std::size_t>(capacity) * 2);
    std::uint8_t* out[1] = { reinterpret_cast<std::uint8_t*>(convertBuffer_.data()) };
    const int n = swr_convert(swr_, out, static_cast<int>(capacity), const_cast<const std::uint8_t**>(frame->extended_data),
        samples);
    if (n <= 0)
        return;
    // The sound comes at its time: after a gap, silence first; sound that
    // overlaps the silence put in its place (read later than the reading's
    // slack allowed for) is late by the overlap, which is left out.
    const float* converted = convertBuffer_.data();
    int frames = n;
    double at = pts - held;
    if (audioPlaced_ && at > audioLastEnd_ + kSoundGap) {
        fillSilence(at, serial, false);
    } else if (audioPlaced_ && at < audioLastEnd_ - kSoundGap && at >= audioSilenceFrom_ - kSoundGap) {
        const auto late = std::min<std::int64_t>(std::llround((audioLastEnd_ - at) * kOutputRate), frames);
        converted += late * 2;
        frames -= static_cast<int>(late);
        at += late / kOutputRate;
    }
    if (frames <= 0)
        return; // all of it late: the silence goes on
    audioSilenceFrom_ = std::numeric_limits<double>::quiet_NaN();
    pushAudio(converted, frames, at, serial);
}

void ItemPipeline::fillSilence(double until, std::uint64_t serial, bool yieldToPackets)
{
    static constexpr int kChunk = 1024;
    static const float zeros[kChunk * 2] = {};
    if (!audioPlaced_ || audioPastEnd_)
        return;
    std::int64_t left = std::llround(std::clamp(until - audioLastEnd_, 0.0, 1.0e6) * kOutputRate);
    if (left <= 0)
        return;
    if (std::isnan(audioSilenceFrom_))
        audioSilenceFrom_ = audioLastEnd_;
    double at = audioLastEnd_;
    while (left > 0 && !audioPastEnd_ && !abort_ && serialCurrent(serial)) {
        // Silence the reading only passed goes in as it is due, a little
        // ahead of what the output consumes: sound read meanwhile (a muxer
        // may write it seconds after the pictures of its time) still comes
        // at its time if the output has not got there.
        if (yieldToPackets) {
            if (audioPackets_.count() > 0)
                return;
            if (ring_.available() >= kSilenceLead * kOutputRate) {
                std::this_thread::sleep_for(kPoll);
                continue;
            }
        }
        const int n = static_cast<int>(std::min<std::int64_t>(left, kChunk));
        pushAudio(zeros, n, at, serial);
        at += n / kOutputRate;
        left -= n;
    }
}

void ItemPipeline::pushAudio(const float* samples, int frames, double pts, std::uint64_t serial)
{
    const double target = serialState().target;
    // Zero tolerance: the first sample is the target's.
    if (pts < target) {
        // Compared as a double first: a damaged timestamp must not reach llround.
        const double ahead = (target - pts) * kOutputRate;
        if (!(ahead < frames))
            return;
        const auto skip = std::llround(ahead);
        if (skip >= frames)
            return;
        if (skip > 0) {
            samples += skip * 2;
            frames -= static_cast<int>(skip);
            pts += skip / kOutputRate;
        }
    }
    // The out-point cuts at its exact sample.
    const double limit = endLimit();
    bool cut = false;
    if (std::isfinite(limit)) {
        const double remaining = (limit - pts) * kOutputRate;
        // Past the end (less than half a sample left), or a timestamp that
        // makes no sense: nothing more plays. Checked before llround, which a
        // damaged timestamp must not reach.
        if (!(remaining >= 0.5)) {
            audioPastEnd_ = true;
            streamFinished(false, serial, limit);
            return;
        }
        if (remaining < double(frames) + 0.5) {
            frames = static_cast<int>(std::llround(remaining));
            cut = true;
        }
    }
    if (audioFirst_) {
        audioFirst_ = false;
        audioPlaced_ = true;
        if (videoStream_ < 0)
            firstDecoded(serial, pts);
    }
    while (frames > 0) {
        if (abort_ || !serialCurrent(serial))
            return;
        const int written = ring_.write(samples, frames, pts, serial);
        samples += written * 2;
        frames -= written;
        pts += written / kOutputRate;
        audioLastEnd_ = pts;
        if (written == 0)
            std::this_thread::sleep_for(kPoll);
    }
    if (cut) {
        audioPastEnd_ = true;
        streamFinished(false, serial, limit);
    }
}

} // namespace tessarin
