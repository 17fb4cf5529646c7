#include "platform/FrameGrabber.h"

#include "platform/KeyframeSeek.h"
#include "platform/LibAv.h"
#include "platform/MediaInfo.h"

#include <QTransform>

#include <cmath>

namespace tessarin {

struct FrameGrabber::State {
    libav::InputPtr input;
    libav::CodecPtr decoder;
    libav::SwsPtr scaler;
    libav::PacketPtr packet{av_packet_alloc()};
    libav::FramePtr decoded{av_frame_alloc()};
    libav::FramePtr kept{av_frame_alloc()};
    // After an exact grab the decoder is left where it stopped: the first
    // frame past that time waits in `held`, and a later exact grab within
    // the same run of frames decodes on from there instead of seeking back
    // to the key frame (a marker dragged forward asks for such times).
    libav::FramePtr held{av_frame_alloc()};
    bool positioned = false;
    int64_t heldTime = AV_NOPTS_VALUE;
    AVStream* stream = nullptr;
    MediaTrack track;
};

FrameGrabber::FrameGrabber(QString path, int decoderThreads)
    : path_(std::move(path)), decoderThreads_(std::max(decoderThreads, 0))
{
}
FrameGrabber::~FrameGrabber() = default;

std::optional<QImage> FrameGrabber::grab(const QString& path, double seconds, QSize maxSize, Tolerance tolerance)
{
    FrameGrabber grabber(path);
    return grabber.frame(seconds, maxSize, tolerance);
}

QSize FrameGrabber::fittedSize(QSize size, QSize maxSize)
{
    if (size.isEmpty())
        return size;
    if (maxSize.isEmpty() || (size.width() <= maxSize.width() && size.height() <= maxSize.height()))
        return size;
    const double scale = std::min(static_cast<double>(maxSize.width()) / size.width(),
                                  static_cast<double>(maxSize.height()) / size.height());
    const int w = std::max(1, static_cast<int>(std::lround(size.width() * scale)));
    const int h = std::max(1, static_cast<int>(std::lround(size.height() * scale)));
    return {std::min(w, maxSize.width()), std::min(h, maxSize.height())};
}

bool FrameGrabber::open()
{
    if (state_)
        return true;
    auto state = std::make_unique<State>();
    if (!state->packet || !state->decoded || !state->kept || !state->held) {
        error_ = libav::errorText(AVERROR(ENOMEM));
        return false;
    }
    state->input = libav::openInput(path_, &error_);
    if (!state->input)
        return false;
    for (unsigned i = 0; i < state->input->nb_streams; ++i) {
        if (libav::isVideoTrack(state->input->streams[i])) {
            state->stream = state->input->streams[i];
            break;
        }
    }
    if (!state->stream) {
        error_ = QStringLiteral("no video track");
        return false;
    }
    // Only the picture track is read.
    for (unsigned i = 0; i < state->input->nb_streams; ++i) {
        if (state->input->streams[i] != state->stream)
            state->input->streams[i]->discard = AVDISCARD_ALL;
    }
    state->decoder = libav::openDecoder(state->stream, decoderThreads_, &error_);
    if (!state->decoder)
        return false;
    if (auto info = MediaInfo::read(path_); info && !info->videoTracks.empty()) {
        for (const MediaTrack& t : info->videoTracks) {
            if (t.streamIndex == state->stream->index)
                state->track = t;
        }
    }
    state_ = std::move(state);
    return true;
}

namespace {

int64_t frameTime(const AVFrame* frame)
{
    return frame->best_effort_timestamp != AV_NOPTS_VALUE ? frame->best_effort_timestamp : frame->pts;
}

} // namespace

bool FrameGrabber::canDecodeOnTo(int64_t target) const
{
    const State& s = *state_;
    if (!s.positioned || s.heldTime == AV_NOPTS_VALUE || target < s.heldTime)
        return false;
    // A key frame between here and the time makes a seek the shorter way.
    if (const AVIndexEntry* key = avformat_index_get_entry_from_timestamp(s.stream, target, AVSEEK_FLAG_BACKWARD))
        return key->timestamp <= s.heldTime;
    // No index (a transport stream): go on for up to a second.
    return av_q2d(s.stream->time_base) * double(target - s.heldTime) <= 1.0;
}

std::optional<QImage> FrameGrabber::frame(double seconds, QSize maxSize, Tolerance tolerance)
{
    if (!open())
        return std::nullopt;
    State& s = *state_;
    if (!std::isfinite(seconds) || seconds < 0)
        seconds = 0;
    const AVRational base = s.stream->time_base;
    const int64_t start = s.stream->start_time != AV_NOPTS_VALUE ? s.stream->start_time : 0;
    // Guarded: a time of many years would overflow the stream's time base.
    const double ticks = std::min(seconds / av_q2d(base), 9.0e18);
    const int64_t target = start + static_cast<int64_t>(ticks);

    bool haveFrame = false;
    libav::KeyframeSeek sought;
    if (tolerance == Tolerance::zero && canDecodeOnTo(target)) {
        // The held frame is at or before the new time: it is the first candidate.
        av_frame_unref(s.kept.get());
        av_frame_move_ref(s.kept.get(), s.held.get());
        haveFrame = true;
    } else {
        av_frame_unref(s.held.get());
        avcodec_flush_buffers(s.decoder.get());
        // A key frame at or before the time, also where the container's
        // timestamp seek lands past it.
        sought = libav::seekToKeyAtOrBefore(s.input.get(), s.stream->index, av_rescale_q(target, base, AV_TIME_BASE_Q));
        if (!sought.ok)
            av_seek_frame(s.input.get(), -1, 0, AVSEEK_FLAG_BACKWARD);
        s.decoder->skip_frame = tolerance == Tolerance::defaultTolerance ? AVDISCARD_NONKEY : AVDISCARD_DEFAULT;
    }
    s.positioned = false;
    bool stoppedPastTime = false;

    bool done = false;
    bool draining = false;
    // Takes every frame the decoder has ready; the default tolerance keeps
    // the first, zero tolerance the last one that starts at or before the time.
    auto takeFrames = [&]() {
        while (!done) {
            const int rc = avcodec_receive_frame(s.decoder.get(), s.decoded.get());
            if (rc == AVERROR(EAGAIN))
                return;
            if (rc < 0) {
                done = true;
                return;
            }
            const int64_t t = frameTime(s.decoded.get());
            const bool late = tolerance == Tolerance::zero && t != AV_NOPTS_VALUE && t > target;
            if (!late || !haveFrame) {
                av_frame_unref(s.kept.get());
                av_frame_move_ref(s.kept.get(), s.decoded.get());
                haveFrame = true;
            } else {
                // Kept for a later grab that decodes on from here.
                av_frame_unref(s.held.get());
                av_frame_move_ref(s.held.get(), s.decoded.get());
                s.heldTime = t;
                stoppedPastTime = true;
            }
            av_frame_unref(s.decoded.get());
            if (tolerance == Tolerance::defaultTolerance || late)
                done = true;
        }
    };
    while (!done && !draining) {
        int rc = 0;
        if (!sought.readAhead.empty()) {
            av_packet_move_ref(s.packet.get(), sought.readAhead.front().get());
            sought.readAhead.pop_front();
        } else {
            rc = av_read_frame(s.input.get(), s.packet.get());
        }
        if (rc < 0) {
            draining = true;
            break;
        }
        if (s.packet->stream_index == s.stream->index) {
            if (avcodec_send_packet(s.decoder.get(), s.packet.get()) >= 0
                && tolerance == Tolerance::defaultTolerance && (s.packet->flags & AV_PKT_FLAG_KEY))
                draining = true; // one key frame is all the default tolerance needs
        }
        av_packet_unref(s.packet.get());
        takeFrames();
    }
    if (!done) {
        avcodec_send_packet(s.decoder.get(), nullptr);
        takeFrames();
    }
    // Packets read ahead by the seek and not used would be missing from a
    // decode that goes on: only a clean stop past the time can go on.
    s.positioned = stoppedPastTime && !draining && sought.readAhead.empty();
    if (!s.positioned) {
        av_frame_unref(s.held.get());
        avcodec_flush_buffers(s.decoder.get());
    }
    if (!haveFrame) {
        error_ = QStringLiteral("no frame could be decoded");
        return std::nullopt;
    }

    AVFrame* f = s.kept.get();
    const bool quarter = s.track.rotationDegrees == 90 || s.track.rotationDegrees == 270;
    const int displayW = std::max(1, static_cast<int>(std::lround(f->width * s.track.sampleAspectRatio)));
    const QSize upright = quarter ? QSize(f->height, displayW) : QSize(displayW, f->height);
    QSize fitted = fittedSize(upright, maxSize);
    if (quarter)
        fitted.transpose();

    s.scaler.reset(sws_getCachedContext(s.scaler.release(), f->width, f->height, static_cast<AVPixelFormat>(f->format),
                                        fitted.width(), fitted.height(), AV_PIX_FMT_BGRA, SWS_BICUBIC, nullptr, nullptr,
                                        nullptr));
    if (!s.scaler) {
        error_ = QStringLiteral("unsupported pixel format");
        av_frame_unref(f);
        return std::nullopt;
    }
    QImage image(fitted, QImage::Format_RGB32);
    uint8_t* planes[4] = {image.bits(), nullptr, nullptr, nullptr};
    int strides[4] = {static_cast<int>(image.bytesPerLine()), 0, 0, 0};
    sws_scale(s.scaler.get(), f->data, f->linesize, 0, f->height, planes, strides);
    av_frame_unref(f);

    if (s.track.rotationDegrees != 0 || s.track.mirrored) {
        QTransform turn;
        turn.rotate(s.track.rotationDegrees);
        if (s.track.mirrored)
            image = image.mirrored(true, false);
        image = image.transformed(turn);
    }
    return image;
}

} // namespace tessarin
