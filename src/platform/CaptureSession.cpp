#include "platform/CaptureSession.h"

#include "platform/ProcessEnd.h"
#include "platform/ThreadName.h"
#include "platform/Workers.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavdevice/avdevice.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/error.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>

namespace tessarin {

struct CaptureSession::Shared {
    CaptureInput input;
    Callbacks callbacks;
    std::atomic<bool> stopRequested { false };
    std::atomic<int> runningThreads { 0 };
    std::atomic<bool> started { false };
    // Held around every callback; stop() takes it once the flag is up, so
    // a callback under way has returned when stop() does.
    std::mutex deliveryLock;
};

namespace {

// The session whose callback this thread is inside, if any: a stop from
// within a callback must not wait for that callback.
thread_local const CaptureSession::Shared* deliveringFor = nullptr;

// Calls a callback unless the session has been stopped.
template <typename Call>
void deliver(CaptureSession::Shared& shared, Call&& call)
{
    std::lock_guard lock(shared.deliveryLock);
    if (shared.stopRequested)
        return;
    deliveringFor = &shared;
    call();
    deliveringFor = nullptr;
}

// Every started session, so that the end of the process stops those still
// capturing.
struct Started {
    std::mutex mutex;
    std::vector<std::weak_ptr<CaptureSession::Shared>> sessions;
};

Started& started()
{
    static Started* instance = new Started; // never destroyed: capture threads may outlive statics' end
    return *instance;
}

void stopNow(CaptureSession::Shared& shared)
{
    shared.stopRequested = true;
    if (deliveringFor != &shared) {
        std::lock_guard wait(shared.deliveryLock);
    }
}

void noteStarted(const std::shared_ptr<CaptureSession::Shared>& shared)
{
    static std::once_flag hooked;
    std::call_once(hooked, [] {
        ProcessEnd::addStep("capture sessions stopped", [] {
            std::vector<std::weak_ptr<CaptureSession::Shared>> sessions;
            {
                std::lock_guard lock(started().mutex);
                sessions.swap(started().sessions);
            }
            for (const auto& weak : sessions) {
                if (auto session = weak.lock())
                    stopNow(*session);
            }
        });
    });
    std::lock_guard lock(started().mutex);
    auto& sessions = started().sessions;
    std::erase_if(sessions, [](const auto& weak) { return weak.expired(); });
    sessions.push_back(shared);
}

int interruptCallback(void* opaque)
{
    return static_cast<std::atomic<bool>*>(opaque)->load() ? 1 : 0;
}

struct FormatCloser {
    void operator()(AVFormatContext* c) const { avformat_close_input(&c); }
};
struct CodecCloser {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameFree {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketFree {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct SwsFree {
    void operator()(SwsContext* s) const { sws_freeContext(s); }
};
struct SwrFree {
    void operator()(SwrContext* s) const { swr_free(&s); }
};
using FormatPtr = std::unique_ptr<AVFormatContext, FormatCloser>;
using CodecPtr = std::unique_ptr<AVCodecContext, CodecCloser>;

} // namespace

CaptureFailure CaptureSession::failureFor(int averror)
{
    CaptureFailure failure;
    failure.reason = CaptureSession::errorText(averror);
    if (averror == AVERROR(ENOENT) || averror == AVERROR(ENODEV) || averror == AVERROR(ENXIO))
        failure.kind = CaptureFailure::Kind::NotFound;
    else if (averror == AVERROR(EACCES) || averror == AVERROR(EPERM))
        failure.kind = CaptureFailure::Kind::AccessDenied;
    return failure;
}

namespace {

// Opens one libavdevice input; on failure returns null and the error.
FormatPtr openInput(const QString& format, const QString& url, const std::vector<std::pair<QString, QString>>& options,
                    std::atomic<bool>* stop, int* error)
{
    static std::once_flag registered;
    std::call_once(registered, [] { avdevice_register_all(); });

    const AVInputFormat* inputFormat = nullptr;
    if (!format.isEmpty()) {
        inputFormat = av_find_input_format(format.toUtf8().constData());
        if (!inputFormat) {
            *error = AVERROR_DEMUXER_NOT_FOUND;
            return nullptr;
        }
    }
    AVFormatContext* context = avformat_alloc_context();
    if (!context) {
        *error = AVERROR(ENOMEM);
        return nullptr;
    }
    context->interrupt_callback.callback = interruptCallback;
    context->interrupt_callback.opaque = stop;
    AVDictionary* dictionary = nullptr;
    for (const auto& [key, value] : options)
        av_dict_set(&dictionary, key.toUtf8().constData(), value.toUtf8().constData(), 0);
    const int rc = avformat_open_input(&context, url.toUtf8().constData(), inputFormat, &dictionary);
    av_dict_free(&dictionary);
    if (rc < 0) {
        *error = rc; // avformat_open_input freed the context
        return nullptr;
    }
    FormatPtr owned(context);
    const int info = avformat_find_stream_info(context, nullptr);
    if (info < 0 && stop->load()) {
        *error = info;
        return nullptr;
    }
    *error = 0;
    return owned;
}

CodecPtr openDecoder(const AVStream* stream)
{
    const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
    if (!codec)
        return nullptr;
    CodecPtr context(avcodec_alloc_context3(codec));
    if (!context || avcodec_parameters_to_context(context.get(), stream->codecpar) < 0)
        return nullptr;
    context->thread_count = 1; // one frame in, one frame out: no frame-thread delay
    if (avcodec_open2(context.get(), codec, nullptr) < 0)
        return nullptr;
    return context;
}

// Decoded picture -> BGRA frame.
class VideoConverter {
public:
    std::shared_ptr<VideoFrame> convert(const AVFrame* frame)
    {
        if (frame->width <= 0 || frame->height <= 0)
            return nullptr;
        SwsContext* context = sws_getCachedContext(scaler_.release(), frame->width, frame->height,
                                                   static_cast<AVPixelFormat>(frame->format), frame->width,
                                                   frame->height, AV_PIX_FMT_BGRA, SWS_BILINEAR, nullptr, nullptr, nullptr);
        scaler_.reset(context);
        if (!context)
            return nullptr;
        std::shared_ptr<VideoFrame> out = VideoFrame::createForOverwrite(frame->width, frame->height);
        if (!out)
            return nullptr;
        uint8_t* planes[4] = { out->bits(), nullptr, nullptr, nullptr };
        int strides[4] = { out->bytesPerLine(), 0, 0, 0 };
        if (sws_scale(context, frame->data, frame->linesize, 0, frame->height, planes, strides) != frame->height)
            return nullptr;
        return out;
    }

private:
    std::unique_ptr<SwsContext, SwsFree> scaler_;
};

// Decoded sound -> float32 planar at its own rate and channel count.
class AudioConverter {
public:
    bool convert(const AVFrame* frame, CapturedAudio& out)
    {
        const int channels = frame->ch_layout.nb_channels;
        if (frame->nb_samples <= 0 || channels <= 0 || frame->sample_rate <= 0)
            return false;
        out.sampleRate = frame->sample_rate;
        out.channels = channels;
        out.frames = frame->nb_samples;
        out.samples.resize(static_cast<std::size_t>(channels) * static_cast<std::size_t>(frame->nb_samples));
        if (frame->format == AV_SAMPLE_FMT_FLTP) {
            for (int c = 0; c < channels; ++c)
                std::memcpy(out.samples.data() + static_cast<std::size_t>(c) * out.frames, frame->extended_data[c],
                            sizeof(float) * static_cast<std::size_t>(out.frames));
            return true;
        }
        if (!resampler_ || format_ != frame->format || rate_ != frame->sample_rate
            || av_channel_layout_compare(&layout_, &frame->ch_layout) != 0) {
            SwrContext* context = nullptr;
            // FFmpeg 5.1 takes the layouts without const; it only reads them.
            auto* layout = const_cast<AVChannelLayout*>(&frame->ch_layout);
            if (swr_alloc_set_opts2(&context, layout, AV_SAMPLE_FMT_FLTP, frame->sample_rate, layout, static_cast<AVSampleFormat>(frame->format), frame->sample_rate,
                                    0, nullptr)
                    < 0
                || swr_init(context) < 0) {
                swr_free(&context);
                resampler_.reset();
                return false;
            }
            resampler_.reset(context);
            format_ = frame->format;
            rate_ = frame->sample_rate;
            av_channel_layout_uninit(&layout_);
            av_channel_layout_copy(&layout_, &frame->ch_layout);
        }
        std::vector<uint8_t*> planes(static_cast<std::size_t>(channels));
        for (int c = 0; c < channels; ++c)
            planes[static_cast<std::size_t>(c)] = reinterpret_cast<uint8_t*>(out.samples.data() + static_cast<std::size_t>(c) * out.frames);
        const int done = swr_convert(resampler_.get(), planes.data(), out.frames,
                                     const_cast<const uint8_t**>(frame->extended_data), frame->nb_samples);
        return done == out.frames;
    }

    ~AudioConverter() { av_channel_layout_uninit(&layout_); }

private:
    std::unique_ptr<SwrContext, SwrFree> resampler_;
    int format_ = -1;
    int rate_ = 0;
    AVChannelLayout layout_ {};
};

struct Decoder {
    int streamIndex = -1;
    CodecPtr codec;
};

// Sends one packet (or the flush when null) and hands every frame out.
template <typename Deliver>
void decode(Decoder& decoder, const AVPacket* packet, AVFrame* frame, Deliver&& deliver)
{
    if (avcodec_send_packet(decoder.codec.get(), packet) < 0)
        return;
    while (avcodec_receive_frame(decoder.codec.get(), frame) == 0) {
        deliver(frame);
        av_frame_unref(frame);
    }
}

// Reads an input until the end, an error or a stop, decoding the picture
// and sound streams that were opened. Returns the read error that ended it
// (AVERROR_EOF at the end of a finite input), or 0 after a stop.
int pump(CaptureSession::Shared& shared, AVFormatContext* input, Decoder& video, Decoder& audio)
{
    std::unique_ptr<AVPacket, PacketFree> packet(av_packet_alloc());
    std::unique_ptr<AVFrame, FrameFree> frame(av_frame_alloc());
    if (!packet || !frame)
        return AVERROR(ENOMEM);
    VideoConverter pictures;
    AudioConverter sounds;
    CapturedAudio block;

    auto onPicture = [&](const AVFrame* f) {
        if (shared.stopRequested || !shared.callbacks.onFrame)
            return;
        if (auto buffer = pictures.convert(f))
            deliver(shared, [&] { shared.callbacks.onFrame(std::move(buffer)); });
    };
    auto onSound = [&](const AVFrame* f) {
        if (shared.stopRequested || !shared.callbacks.onAudio)
            return;
        if (sounds.convert(f, block))
            deliver(shared, [&] { shared.callbacks.onAudio(block); });
    };

    while (!shared.stopRequested) {
        const int rc = av_read_frame(input, packet.get());
        if (rc == AVERROR(EAGAIN)) {
            // A non-blocking device with nothing yet: wait about a millisecond.
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            continue;
        }
        if (rc < 0) // the end of a finite input, an unplugged device, or the stop
            return shared.stopRequested ? 0 : rc;
        if (packet->stream_index == video.streamIndex && video.codec)
            decode(video, packet.get(), frame.get(), onPicture);
        else if (packet->stream_index == audio.streamIndex && audio.codec)
            decode(audio, packet.get(), frame.get(), onSound);
        av_packet_unref(packet.get());
    }
    return 0;
}

Decoder openStream(AVFormatContext* input, AVMediaType type)
{
    Decoder decoder;
    const int index = av_find_best_stream(input, type, -1, -1, nullptr, 0);
    if (index < 0)
        return decoder;
    decoder.codec = openDecoder(input->streams[index]);
    if (decoder.codec)
        decoder.streamIndex = index;
    return decoder;
}

void runAudioInput(std::shared_ptr<CaptureSession::Shared> shared)
{
    setCurrentThreadName("CaptureSession.audio");
    int error = 0;
    FormatPtr input = openInput(shared->input.audioFormat, shared->input.audioUrl, {}, &shared->stopRequested, &error);
    if (input) {
        // A sound device that cannot be opened (busy, no permission) leaves
        // the picture running without sound.
        Decoder none;
        Decoder audio = openStream(input.get(), AVMEDIA_TYPE_AUDIO);
        if (audio.codec)
            pump(*shared, input.get(), none, audio);
    }
    --shared->runningThreads;
}

void runVideoInput(std::shared_ptr<CaptureSession::Shared> shared)
{
    setCurrentThreadName("CaptureSession.video");
    auto fail = [&](const CaptureFailure& failure) {
        if (shared->callbacks.onFailed)
            deliver(*shared, [&] { shared->callbacks.onFailed(failure); });
    };
    int error = 0;
    FormatPtr input = openInput(shared->input.format, shared->input.url, shared->input.options, &shared->stopRequested, &error);
    if (!input) {
        fail(CaptureSession::failureFor(error));
    } else {
        Decoder video = openStream(input.get(), AVMEDIA_TYPE_VIDEO);
        if (!video.codec) {
            fail(CaptureFailure { CaptureFailure::Kind::NoVideo, QString() });
        } else {
            Decoder audio = openStream(input.get(), AVMEDIA_TYPE_AUDIO);
            if (!audio.codec && !shared->input.audioFormat.isEmpty() && !shared->stopRequested) {
                ++shared->runningThreads;
                Workers::sessions().async([shared] { runAudioInput(shared); });
            }
            // A picture that ends without a stop (the device unplugged or
            // failing) is reported, so the operator is not left looking at
            // a frozen picture marked live.
            if (const int ended = pump(*shared, input.get(), video, audio); ended < 0)
                fail(CaptureSession::failureFor(ended));
        }
    }
    --shared->runningThreads;
}

} // namespace

CaptureSession::CaptureSession(CaptureInput input, Callbacks callbacks)
    : shared_(std::make_shared<Shared>())
{
    shared_->input = std::move(input);
    shared_->callbacks = std::move(callbacks);
}

CaptureSession::~CaptureSession()
{
    stop();
}

void CaptureSession::start()
{
    if (shared_->started.exchange(true))
        return;
    ++shared_->runningThreads;
    noteStarted(shared_);
    // The threads own the shared state, so stopping never waits for a
    // device that is slow to hand back its last buffer; they run on a pool
    // that is joined at the end of the process.
    Workers::sessions().async([shared = shared_] { runVideoInput(shared); });
}

void CaptureSession::stop()
{
    stopNow(*shared_);
}

bool CaptureSession::finished() const
{
    return shared_->runningThreads.load() == 0;
}

QString CaptureSession::errorText(int averror)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(averror, text, sizeof text);
    return QString::fromUtf8(text);
}

} // namespace tessarin
