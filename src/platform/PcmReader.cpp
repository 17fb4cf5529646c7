#include "platform/PcmReader.h"

#include "platform/LibAv.h"
#include "platform/PlayedRange.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

#include <cmath>

namespace tessarin {

struct PcmReader::State {
    libav::InputPtr input;
    libav::CodecPtr decoder;
    libav::SwrPtr converter;
    libav::PacketPtr packet{av_packet_alloc()};
    libav::FramePtr frame{av_frame_alloc()};
    AVStream* stream = nullptr;
    AVChannelLayout outLayout{};
    // What the converter was made for; a frame in another format rebuilds it.
    int inFormat = -1;
    int inRate = 0;
    AVChannelLayout inLayout{};
    bool draining = false;
    // Where the container says the sound ends (file timeline, seconds): the
    // encoder's padding after it is left out, as the player leaves it out.
    double statedEnd = 0.0;

    ~State()
    {
        av_channel_layout_uninit(&outLayout);
        av_channel_layout_uninit(&inLayout);
    }
};

PcmReader::PcmReader(const QString& path) : state_(std::make_unique<State>())
{
    State& s = *state_;
    if (!s.packet || !s.frame) {
        fail(libav::errorText(AVERROR(ENOMEM)));
        return;
    }
    s.input = libav::openInput(path, &error_);
    if (!s.input) {
        status_ = Status::failed;
        return;
    }
    // The first audio track, as the file lists them.
    for (unsigned i = 0; i < s.input->nb_streams; ++i) {
        if (s.input->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) {
            s.stream = s.input->streams[i];
            break;
        }
    }
    if (!s.stream) {
        fail(QStringLiteral("no audio track"));
        return;
    }
    for (unsigned i = 0; i < s.input->nb_streams; ++i) {
        if (s.input->streams[i] != s.stream)
            s.input->streams[i]->discard = AVDISCARD_ALL;
    }
    s.statedEnd = libav::statedAudioEnd(s.input.get(), s.stream->index);
    s.decoder = libav::openDecoder(s.stream, 1, &error_);
    if (!s.decoder) {
        status_ = Status::failed;
        return;
    }
    sampleRate_ = s.decoder->sample_rate;
    channels_ = s.decoder->ch_layout.nb_channels;
    if (sampleRate_ <= 0 || channels_ <= 0) {
        fail(QStringLiteral("audio track without rate or channels"));
        return;
    }
    if (av_channel_layout_copy(&s.outLayout, &s.decoder->ch_layout) < 0) {
        fail(libav::errorText(AVERROR(ENOMEM)));
        return;
    }
    if (s.stream->duration != AV_NOPTS_VALUE && s.stream->duration > 0)
        estimatedFrames_ = av_rescale_q(s.stream->duration, s.stream->time_base, AVRational{1, sampleRate_});
    else if (s.input->duration != AV_NOPTS_VALUE && s.input->duration > 0)
        estimatedFrames_ = av_rescale_q(s.input->duration, AVRational{1, AV_TIME_BASE}, AVRational{1, sampleRate_});
    // A damaged header can claim any length: beyond a year of sound the
    // estimate is taken as unknown, so no caller multiplies it past int64.
    constexpr std::int64_t kLongestEstimate = std::int64_t(1) << 40;
    if (estimatedFrames_ <= 0 || estimatedFrames_ > kLongestEstimate)
        estimatedFrames_ = -1;
}

PcmReader::~PcmReader() = default;

bool PcmReader::fail(const QString& why)
{
    error_ = why;
    status_ = Status::failed;
    state_.reset();
    return false;
}

bool PcmReader::convert(std::vector<float>& chunk)
{
    State& s = *state_;
    AVFrame* f = s.frame.get();
    const int frames = f->nb_samples;
    chunk.resize(static_cast<std::size_t>(frames) * static_cast<std::size_t>(channels_));
    // The common case needs no converter: planar or packed float of the
    // track's own layout, interleaved here.
    const bool sameLayout = av_channel_layout_compare(&f->ch_layout, &s.outLayout) == 0;
    if (sameLayout && f->format == AV_SAMPLE_FMT_FLT) {
        std::copy_n(reinterpret_cast<const float*>(f->extended_data[0]), chunk.size(), chunk.data());
        return true;
    }
    if (sameLayout && f->format == AV_SAMPLE_FMT_FLTP) {
        for (int c = 0; c < channels_; ++c) {
            const auto* in = reinterpret_cast<const float*>(f->extended_data[c]);
            float* out = chunk.data() + c;
            for (int i = 0; i < frames; ++i)
                out[static_cast<std::size_t>(i) * channels_] = in[i];
        }
        return true;
    }
    if (!s.converter || f->format != s.inFormat || f->sample_rate != s.inRate
        || av_channel_layout_compare(&f->ch_layout, &s.inLayout) != 0) {
        SwrContext* raw = nullptr;
        // Same rate in and out: the converter changes only the sample
        // format (and the layout, should a frame bring another one).
        if (swr_alloc_set_opts2(&raw, &s.outLayout, AV_SAMPLE_FMT_FLT, f->sample_rate, &f->ch_layout,
                                static_cast<AVSampleFormat>(f->format), f->sample_rate, 0, nullptr) < 0
            || swr_init(raw) < 0) {
            swr_free(&raw);
            return fail(QStringLiteral("unsupported sample format"));
        }
        s.converter.reset(raw);
        s.inFormat = f->format;
        s.inRate = f->sample_rate;
        av_channel_layout_uninit(&s.inLayout);
        av_channel_layout_copy(&s.inLayout, &f->ch_layout);
    }
    uint8_t* out[1] = {reinterpret_cast<uint8_t*>(chunk.data())};
    const int done = swr_convert(s.converter.get(), out, frames, const_cast<const uint8_t**>(f->extended_data), frames);
    if (done < 0)
        return fail(libav::errorText(done));
    chunk.resize(static_cast<std::size_t>(done) * static_cast<std::size_t>(channels_));
    return true;
}

bool PcmReader::read(std::vector<float>& chunk)
{
    if (status_ != Status::reading || !state_)
        return false;
    State& s = *state_;
    for (;;) {
        const int rc = avcodec_receive_frame(s.decoder.get(), s.frame.get());
        if (rc >= 0) {
            const std::int64_t ts = s.frame->best_effort_timestamp;
            if (ts != AV_NOPTS_VALUE && s.frame->sample_rate > 0) {
                const double kept = (s.statedEnd - ts * av_q2d(s.stream->time_base)) * s.frame->sample_rate;
                if (kept < s.frame->nb_samples)
                    s.frame->nb_samples = kept >= 0.5 ? static_cast<int>(std::llround(kept)) : 0;
            }
            const bool ok = s.frame->nb_samples > 0 && convert(chunk);
            if (state_)
                av_frame_unref(s.frame.get());
            if (status_ == Status::failed)
                return false;
            if (ok && !chunk.empty())
                return true;
            continue;
        }
        if (rc == AVERROR_EOF) {
            status_ = Status::completed;
            state_.reset();
            return false;
        }
        if (rc != AVERROR(EAGAIN))
            return fail(libav::errorText(rc));
        if (s.draining)
            return fail(QStringLiteral("decoder stalled"));
        const int readRc = av_read_frame(s.input.get(), s.packet.get());
        if (readRc == AVERROR_EOF) {
            s.draining = true;
            avcodec_send_packet(s.decoder.get(), nullptr);
            continue;
        }
        if (readRc < 0)
            return fail(libav::errorText(readRc));
        if (s.packet->stream_index == s.stream->index) {
            const int sendRc = avcodec_send_packet(s.decoder.get(), s.packet.get());
            // A damaged packet is skipped, as the ffmpeg program does; only
            // the container failing ends the reading as failed.
            if (sendRc < 0 && sendRc != AVERROR_INVALIDDATA && sendRc != AVERROR(EAGAIN)) {
                av_packet_unref(s.packet.get());
                return fail(libav::errorText(sendRc));
            }
        }
        av_packet_unref(s.packet.get());
    }
}

} // namespace tessarin
