#include "platform/ClipEncoder.h"

#include "platform/LibAv.h"

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
}

namespace tessarin {

namespace {

struct OutputDeleter {
    void operator()(AVFormatContext* c) const
    {
        if (!c)
            return;
        if (c->pb && !(c->oformat->flags & AVFMT_NOFILE))
            avio_closep(&c->pb);
        avformat_free_context(c);
    }
};

constexpr AVRational trackBase{1, ClipEncoder::timescale};

} // namespace

struct ClipEncoder::State {
    std::unique_ptr<AVFormatContext, OutputDeleter> output;
    libav::CodecPtr encoder;
    libav::SwsPtr scaler;
    libav::FramePtr picture{av_frame_alloc()};
    libav::PacketPtr packet{av_packet_alloc()};
    // The packet held back until the next one tells its duration.
    libav::PacketPtr pending{av_packet_alloc()};
    bool hasPending = false;
    AVStream* stream = nullptr;
    QSize size;
    qint64 pictureKey = 0;
    bool hasPicture = false;
    std::int64_t lastTime = -1;
    bool headerWritten = false;
};

ClipEncoder::ClipEncoder() = default;
ClipEncoder::~ClipEncoder()
{
    if (state_ && state_->headerWritten)
        av_write_trailer(state_->output.get());
}

bool ClipEncoder::fail(const QString& why)
{
    error_ = why;
    return false;
}

bool ClipEncoder::open(const QString& path, QSize size, int threads)
{
    if (size.isEmpty() || size.width() % 2 || size.height() % 2)
        return fail(QStringLiteral("the movie size must be even and not empty"));
    auto s = std::make_unique<State>();
    if (!s->picture || !s->packet || !s->pending)
        return fail(libav::errorText(AVERROR(ENOMEM)));
    s->size = size;
    const QByteArray name = path.toUtf8();
    AVFormatContext* raw = nullptr;
    int rc = avformat_alloc_output_context2(&raw, nullptr, "mov", name.constData());
    if (rc < 0)
        return fail(libav::errorText(rc));
    s->output.reset(raw);

    const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
    if (!codec)
        return fail(QStringLiteral("the libx264 encoder is not available"));
    s->encoder.reset(avcodec_alloc_context3(codec));
    if (!s->encoder)
        return fail(libav::errorText(AVERROR(ENOMEM)));
    AVCodecContext* e = s->encoder.get();
    e->width = size.width();
    e->height = size.height();
    e->pix_fmt = AV_PIX_FMT_YUV420P;
    e->time_base = trackBase;
    e->framerate = AVRational{2, 1};
    // No frame reordering: packets then come out in presentation order, so
    // each one's duration is the gap to the next frame time.
    e->max_b_frames = 0;
    // libx264's default is a thread and a half per core and forty frames of
    // look-ahead: some 240 MB and 15 threads for each 1080p movie. One frame
    // ahead is all a picture that barely changes needs.
    e->thread_count = std::max(1, threads);
    av_opt_set_int(e->priv_data, "rc-lookahead", 1, 0);
    if (s->output->oformat->flags & AVFMT_GLOBALHEADER)
        e->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    rc = avcodec_open2(e, codec, nullptr);
    if (rc < 0)
        return fail(libav::errorText(rc));

    s->stream = avformat_new_stream(s->output.get(), nullptr);
    if (!s->stream)
        return fail(libav::errorText(AVERROR(ENOMEM)));
    s->stream->time_base = trackBase;
    rc = avcodec_parameters_from_context(s->stream->codecpar, e);
    if (rc < 0)
        return fail(libav::errorText(rc));
    rc = avio_open(&s->output->pb, name.constData(), AVIO_FLAG_WRITE);
    if (rc < 0)
        return fail(libav::errorText(rc));
    AVDictionary* options = nullptr;
    av_dict_set(&options, "video_track_timescale", "600", 0);
    rc = avformat_write_header(s->output.get(), &options);
    av_dict_free(&options);
    if (rc < 0)
        return fail(libav::errorText(rc));
    s->headerWritten = true;

    s->picture->format = e->pix_fmt;
    s->picture->width = e->width;
    s->picture->height = e->height;
    rc = av_frame_get_buffer(s->picture.get(), 0);
    if (rc < 0)
        return fail(libav::errorText(rc));
    state_ = std::move(s);
    return true;
}

bool ClipEncoder::writePending(std::int64_t nextTime)
{
    State& s = *state_;
    if (!s.hasPending)
        return true;
    AVPacket* p = s.pending.get();
    p->duration = std::max<std::int64_t>(1, nextTime - p->pts);
    av_packet_rescale_ts(p, trackBase, s.stream->time_base);
    p->stream_index = s.stream->index;
    const int rc = av_interleaved_write_frame(s.output.get(), p);
    av_packet_unref(p);
    s.hasPending = false;
    return rc < 0 ? fail(libav::errorText(rc)) : true;
}

bool ClipEncoder::drain()
{
    State& s = *state_;
    for (;;) {
        const int rc = avcodec_receive_packet(s.encoder.get(), s.packet.get());
        if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF)
            return true;
        if (rc < 0)
            return fail(libav::errorText(rc));
        av_packet_rescale_ts(s.packet.get(), s.encoder->time_base, trackBase);
        if (!writePending(s.packet->pts))
            return false;
        av_packet_move_ref(s.pending.get(), s.packet.get());
        s.hasPending = true;
    }
}

bool ClipEncoder::appendFrame(const QImage& image, std::int64_t value, int scale)
{
    if (!state_)
        return fail(QStringLiteral("the movie is not open"));
    State& s = *state_;
    if (image.isNull())
        return fail(QStringLiteral("invalid frame"));
    if (s.hasPicture && s.pictureKey == image.cacheKey())
        return repeatFrame(value, scale);
    const std::optional<std::int64_t> time = nextTime(value, scale);
    if (!time)
        return false;
    // Read as BGR with the alpha byte skipped.
    const QImage::Format format = image.format();
    const QImage source = format == QImage::Format_RGB32 || format == QImage::Format_ARGB32
            || format == QImage::Format_ARGB32_Premultiplied
        ? image
        : image.convertToFormat(QImage::Format_ARGB32);
    s.scaler.reset(sws_getCachedContext(s.scaler.release(), source.width(), source.height(), AV_PIX_FMT_BGRA,
                                        s.size.width(), s.size.height(), AV_PIX_FMT_YUV420P, SWS_BICUBIC, nullptr,
                                        nullptr, nullptr));
    if (!s.scaler)
        return fail(QStringLiteral("cannot convert the picture"));
    const int rc = av_frame_make_writable(s.picture.get());
    if (rc < 0)
        return fail(libav::errorText(rc));
    const uint8_t* planes[4] = {source.constBits(), nullptr, nullptr, nullptr};
    const int strides[4] = {static_cast<int>(source.bytesPerLine()), 0, 0, 0};
    sws_scale(s.scaler.get(), planes, strides, 0, source.height(), s.picture->data, s.picture->linesize);
    s.pictureKey = image.cacheKey();
    s.hasPicture = true;
    return sendPicture(*time);
}

bool ClipEncoder::repeatFrame(std::int64_t value, int scale)
{
    if (!state_)
        return fail(QStringLiteral("the movie is not open"));
    if (!state_->hasPicture)
        return fail(QStringLiteral("no picture to repeat"));
    const std::optional<std::int64_t> time = nextTime(value, scale);
    if (!time)
        return false;
    // The encoder may still hold the previous frame's buffer.
    const int rc = av_frame_make_writable(state_->picture.get());
    if (rc < 0)
        return fail(libav::errorText(rc));
    return sendPicture(*time);
}

std::optional<std::int64_t> ClipEncoder::nextTime(std::int64_t value, int scale)
{
    if (scale <= 0) {
        fail(QStringLiteral("invalid frame"));
        return std::nullopt;
    }
    const std::int64_t time = av_rescale_q(value, AVRational{1, scale}, trackBase);
    if (time <= state_->lastTime) {
        fail(QStringLiteral("frame times must rise"));
        return std::nullopt;
    }
    return time;
}

bool ClipEncoder::sendPicture(std::int64_t time)
{
    State& s = *state_;
    s.picture->pts = time;
    const int rc = avcodec_send_frame(s.encoder.get(), s.picture.get());
    if (rc < 0)
        return fail(libav::errorText(rc));
    s.lastTime = time;
    return drain();
}

bool ClipEncoder::finish(std::int64_t value, int scale)
{
    if (!state_)
        return fail(QStringLiteral("the movie is not open"));
    State& s = *state_;
    if (scale <= 0)
        return fail(QStringLiteral("invalid end time"));
    const std::int64_t end = av_rescale_q(value, AVRational{1, scale}, trackBase);
    int rc = avcodec_send_frame(s.encoder.get(), nullptr);
    if (rc < 0)
        return fail(libav::errorText(rc));
    if (!drain() || !writePending(end))
        return false;
    s.headerWritten = false;
    rc = av_write_trailer(s.output.get());
    if (rc < 0)
        return fail(libav::errorText(rc));
    rc = avio_closep(&s.output->pb);
    if (rc < 0)
        return fail(libav::errorText(rc));
    state_.reset();
    return true;
}

} // namespace tessarin
