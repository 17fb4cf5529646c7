#include "platform/player/Resampler.h"

#include "platform/player/PcmBuffer.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <cmath>
#include <limits>

namespace tessarin {
namespace {

AVSampleFormat avFormat(const AudioFormat& f)
{
    switch (f.commonFormat) {
    case SampleFormat::Float32: return f.interleaved ? AV_SAMPLE_FMT_FLT : AV_SAMPLE_FMT_FLTP;
    case SampleFormat::Float64: return f.interleaved ? AV_SAMPLE_FMT_DBL : AV_SAMPLE_FMT_DBLP;
    case SampleFormat::Int16: return f.interleaved ? AV_SAMPLE_FMT_S16 : AV_SAMPLE_FMT_S16P;
    case SampleFormat::Int32: return f.interleaved ? AV_SAMPLE_FMT_S32 : AV_SAMPLE_FMT_S32P;
    }
    return AV_SAMPLE_FMT_NONE;
}

bool rateFitsInt(double rate)
{
    return std::isfinite(rate) && rate >= 1.0 && rate <= 1.0e6 && rate == std::floor(rate);
}

} // namespace

Resampler::Resampler(const AudioFormat& input, const AudioFormat& output)
    : input_(input)
    , output_(output)
{
    if (!input.isValid() || !output.isValid() || !rateFitsInt(input.sampleRate) || !rateFitsInt(output.sampleRate))
        return;
    AVChannelLayout inLayout {};
    AVChannelLayout outLayout {};
    av_channel_layout_default(&inLayout, input.channels);
    av_channel_layout_default(&outLayout, output.channels);
    SwrContext* swr = nullptr;
    int rc = swr_alloc_set_opts2(&swr, &outLayout, avFormat(output), static_cast<int>(output.sampleRate),
        &inLayout, avFormat(input), static_cast<int>(input.sampleRate), 0, nullptr);
    av_channel_layout_uninit(&inLayout);
    av_channel_layout_uninit(&outLayout);
    if (rc < 0 || !swr)
        return;
    // A single channel is heard at full level on both sides, not 3 dB down.
    if (input.channels == 1 && output.channels == 2) {
        const double both[2] = { 1.0, 1.0 };
        swr_set_matrix(swr, both, 1);
    }
    if (swr_init(swr) < 0) {
        swr_free(&swr);
        return;
    }
    swr_ = swr;
}

Resampler::~Resampler()
{
    swr_free(&swr_);
}

bool Resampler::compensate(int delta, int distance)
{
    return swr_ && distance > 0 && swr_set_compensation(swr_, delta, distance) >= 0;
}

int Resampler::outputCapacityFor(int inputFrames) const
{
    if (!swr_ || inputFrames < 0)
        return 0;
    const std::int64_t delay = swr_get_delay(swr_, static_cast<std::int64_t>(input_.sampleRate));
    const std::int64_t frames = av_rescale_rnd(delay + inputFrames, static_cast<std::int64_t>(output_.sampleRate),
        static_cast<std::int64_t>(input_.sampleRate), AV_ROUND_UP);
    if (frames > std::numeric_limits<int>::max() - 64)
        return 0;
    return static_cast<int>(frames) + 16;
}

int Resampler::convert(const std::uint8_t* const* in, int inFrames, std::uint8_t* const* out, int outCapacity)
{
    if (!swr_ || inFrames < 0 || outCapacity < 0)
        return -1;
    const int n = swr_convert(swr_, const_cast<std::uint8_t**>(out), outCapacity, const_cast<const std::uint8_t**>(in), inFrames);
    return n < 0 ? -1 : n;
}

int Resampler::convert(const PcmBuffer& input, PcmBuffer& output)
{
    if (!swr_ || !(input.format() == input_) || !(output.format() == output_))
        return -1;
    const std::uint8_t* in[64] = {};
    std::uint8_t* out[64] = {};
    for (int i = 0; i < input.bufferCount(); ++i)
        in[i] = input.data(i);
    for (int i = 0; i < output.bufferCount(); ++i)
        out[i] = output.data(i);
    const int n = convert(in, input.frameLength(), out, output.frameCapacity());
    if (n < 0)
        return -1;
    output.setFrameLength(n);
    return n;
}

} // namespace tessarin
