#include "platform/player/ItemPipeline.h"

#include "platform/player/PipelineTuning.h"
#include "platform/player/RowParallelism.h"

#include "platform/Clock.h"
#include "platform/HeapRelease.h"
#include "platform/KeyframeSeek.h"
#include "platform/LibAv.h"
#include "platform/PlayedRange.h"
#include "platform/ProcessEnd.h"
#include "platform/RealtimeScheduling.h"
#include "platform/ThreadName.h"
#include "platform/Workers.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/display.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace tessarin {
namespace {

using namespace pipeline;

// Every pipeline alive, for the end of the process. Never destroyed: the
// end runs after static objects may have gone.
struct Pipelines {
    std::mutex mutex;
    std::vector<ItemPipeline*> alive;
    bool ended = false;
};

Pipelines& pipelines()
{
    static auto* instance = new Pipelines;
    return *instance;
}

int interruptCallback(void* opaque)
{
    return static_cast<std::atomic<bool>*>(opaque)->load(std::memory_order_relaxed) ? 1 : 0;
}

VideoTransform transformOf(const AVStream* stream)
{
    VideoTransform t;
    const auto* matrix = reinterpret_cast<const std::int32_t*>(
        av_stream_get_side_data(stream, AV_PKT_DATA_DISPLAYMATRIX, nullptr));
    if (!matrix)
        return t;
    t.a = matrix[0] / 65536.0;
    t.b = matrix[1] / 65536.0;
    t.c = matrix[3] / 65536.0;
    t.d = matrix[4] / 65536.0;
    return t;
}

// drawn: the largest size its pictures are drawn at (empty: their own).
AVCodecContext* openDecoder(AVStream* stream, QSize drawn = {})
{
    const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
    // FFmpeg's own VP9 decoder leaves out the alpha channel WebM carries
    // beside the picture; libvpx decodes it.
    const AVDictionaryEntry* alphaMode = av_dict_get(stream->metadata, "alpha_mode", nullptr, 0);
    if (stream->codecpar->codec_id == AV_CODEC_ID_VP9 && alphaMode && std::atoi(alphaMode->value) != 0) {
        if (const AVCodec* vpx = avcodec_find_decoder_by_name("libvpx-vp9"))
            codec = vpx;
    }
    if (!codec)
        return nullptr;
    AVCodecContext* ctx = avcodec_alloc_context3(codec);
    if (!ctx)
        return nullptr;
    if (avcodec_parameters_to_context(ctx, stream->codecpar) < 0) {
        avcodec_free_context(&ctx);
        return nullptr;
    }
    ctx->pkt_timebase = stream->time_base;
    ctx->thread_count = 0;
    ctx->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
    if (stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
        const QSize picture(stream->codecpar->width, stream->codecpar->height);
        switch (videoThreading(picture, drawn, rowParallel(*stream->codecpar))) {
        case VideoThreading::MediumFrames: ctx->thread_count = kMediumFrameThreads; break;
        case VideoThreading::TwoFrames: ctx->thread_count = 2; break;
        case VideoThreading::SlicesOnly: ctx->thread_type = FF_THREAD_SLICE; break;
        }
    }
    if (avcodec_open2(ctx, codec, nullptr) < 0) {
        avcodec_free_context(&ctx);
        return nullptr;
    }
    return ctx;
}

struct PacketDeleter {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};

} // namespace

ItemPipeline::ItemPipeline(std::shared_ptr<PlayerItem> item, bool playing, bool muted, bool looping)
    : item_(std::move(item))
    , muted_(muted)
    , looping_(looping)
    , ring_(kRingFrames)
    , scratch_(static_cast<std::size_t>(kScratchFrames) * 2, 0.0f)
    , tap_(item_->audioMix().tap)
{
    // Held until the first picture is decoded (or the file has none).
    clock_.hold(now());
    if (playing)
        clock_.play(now());
    static std::once_flag endStep;
    std::call_once(endStep, [] { ProcessEnd::addStep("players' pipelines stopped", &ItemPipeline::shutdownAll); });
    Pipelines& all = pipelines();
    std::lock_guard lock(all.mutex);
    if (all.ended)
        abort_ = true;
    else
        all.alive.push_back(this);
}

ItemPipeline::~ItemPipeline()
{
    {
        Pipelines& all = pipelines();
        std::lock_guard lock(all.mutex);
        std::erase(all.alive, this);
    }
    stop();
    if (demuxDone_.valid())
        demuxDone_.wait();
}

void ItemPipeline::shutdownAll()
{
    Pipelines& all = pipelines();
    std::lock_guard lock(all.mutex); // held: none of them is destroyed meanwhile
    all.ended = true;
    for (ItemPipeline* pipeline : all.alive)
        pipeline->stop();
}

void ItemPipeline::start(Events events)
{
    events_ = std::move(events);
    // A reader that is never run (the pool refuses work once the process
    // ends) drops its promise, which ends the wait as well.
    auto done = std::make_shared<std::promise<void>>();
    demuxDone_ = done->get_future();
    Workers::players().async([this, done] {
        demuxMain();
        done->set_value();
    });
}

void ItemPipeline::shutdown()
{
    stop();
    // Waiting may wait for a decode in progress: not on the main thread.
    Workers::userInitiated().async([self = shared_from_this()] {
        if (self->demuxDone_.valid())
            self->demuxDone_.wait();
    });
}

void ItemPipeline::stop()
{
    abort_ = true;
    wake();
}

void ItemPipeline::wake()
{
    videoPackets_.abort();
    audioPackets_.abort();
    controlWake_.notify_all();
    framesWake_.notify_all();
}

void ItemPipeline::setPlaying(bool playing)
{
    {
        std::lock_guard lock(controlMutex_);
        if (state_.ended)
            return; // stays at its end until a seek
    }
    if (playing)
        clock_.play(now());
    else
        clock_.pause(now());
    controlWake_.notify_all();
    framesWake_.notify_all();
}

void ItemPipeline::seek(double seconds, SeekTolerance tolerance, std::uint64_t seekId)
{
    const double target = std::isfinite(seconds) ? std::max(seconds, 0.0) : 0.0;
    const std::uint64_t serial = serial_.fetch_add(1, std::memory_order_acq_rel) + 1;
    // The clock moves first, and for a file with pictures it holds until the
    // new position's first picture is there.
    if (item_->hasVideo())
        clock_.hold(now());
    clock_.jump(target, now());
    {
        std::lock_guard lock(controlMutex_);
        state_ = SerialState {};
        state_.serial = serial;
        state_.seekId = seekId;
        if (tolerance == SeekTolerance::Zero)
            state_.target = target;
        else
            state_.snapToFirst = true;
        seekPending_ = true;
        seekRequest_ = SeekRequest { target, tolerance, seekId };
    }
    controlWake_.notify_all();
    framesWake_.notify_all();
}

ItemPipeline::SerialState ItemPipeline::serialState() const
{
    std::lock_guard lock(controlMutex_);
    return state_;
}

double ItemPipeline::endLimit() const
{
    if (looping_.load(std::memory_order_relaxed))
        return kInfinity;
    const double end = item_->forwardPlaybackEndTime();
    return std::isfinite(end) ? end : kInfinity;
}

// --- the clock and pictures ------------------------------------------------

double ItemPipeline::itemTime(double hostTime) const
{
    return clock_.ahead(hostTime, 0.0);
}

double ItemPipeline::itemTimeAhead(double hostTime, double lookahead) const
{
    return clock_.ahead(hostTime, lookahead);
}

double ItemPipeline::currentTime() const
{
    double t = clock_.now(now());
    const double lap = lapLengthShared_.load(std::memory_order_relaxed);
    if (lap > 0.0 && t >= lap)
        t = std::fmod(t, lap);
    return std::max(t, 0.0);
}

std::shared_ptr<const VideoFrame> ItemPipeline::frameAt(double itemTime) const
{
    std::lock_guard lock(framesMutex_);
    if (frames_.empty())
        return nullptr;
    std::shared_ptr<const VideoFrame> best = frames_.front();
    if (!std::isfinite(itemTime))
        return best;
    // No picture is shown seconds before its time: a file whose pictures
    // start after its sound has none to show until then. A few hundredths
    // ahead (reordered frames, an encoder's delay at the start) pass.
    static constexpr double kEarlyPicture = 0.2;
    if (best->time > itemTime + kEarlyPicture)
        return nullptr;
    for (const auto& f : frames_) {
        if (f->time <= itemTime + 1e-6)
            best = f;
        else
            break;
    }
    return best;
}

void ItemPipeline::pruneFrames(double clockNow)
{
    // The frame due now and everything after it stay; older ones go.
    while (frames_.size() >= 2 && frames_[1]->time <= clockNow)
        frames_.pop_front();
}

// --- the output callback ---------------------------------------------------

std::atomic<std::uint64_t> ItemPipeline::shortRenders_ { 0 };

std::uint64_t ItemPipeline::shortRenders()
{
    return shortRenders_.load(std::memory_order_relaxed);
}

int ItemPipeline::render(float* mix, int frames, const AudioRenderContext& context)
{
    if (!opened_.load(std::memory_order_acquire))
        return -1;
    const std::uint64_t serial = serial_.load(std::memory_order_acquire);
    if (!item_->hasAudio())
        return renderSilence(frames, context, serial);
    if (!clock_.isRunning())
        return -1; // paused, or waiting for the first picture: nothing consumed
    if (startedSerial_ != serial) {
        if (ring_.available(serial) < kStartFrames && audioEndedSerial_.load(std::memory_order_acquire) != serial)
            return -1;
        startedSerial_ = serial;
    }
    const bool muted = muted_.load(std::memory_order_relaxed);
    int done = 0;
    while (done < frames) {
        const int want = std::min(frames - done, kScratchFrames);
        const AudioRing::Read r = ring_.read(scratch_.data(), want, serial);
        if (r.frames == 0)
            break;
        if (tap_) {
            if (!tapPrepared_) {
                tap_->prepare(AudioFormat::programFormat(), kScratchFrames);
                tapPrepared_ = true;
            }
            AudioBufferList list;
            list.count = 1;
            list.buffers[0] = AudioBuffer { 2, static_cast<std::uint32_t>(r.frames) * 8u, scratch_.data() };
            list.heardTime = context.hostTime + done / kOutputRate + context.latency;
            tap_->process(list);
        }
        if (!muted) {
            float* out = mix + static_cast<std::ptrdiff_t>(done) * 2;
            for (int i = 0; i < r.frames * 2; ++i)
                out[i] += scratch_[static_cast<std::size_t>(i)];
        }
        clock_.audioRendered(r.pts, r.frames, context.hostTime + done / kOutputRate, context.latency);
        done += r.frames;
    }
    // The decoded sound ran short while more is to come: the feeding side
    // (reader, decoder) fell behind the output.
    if (done < frames && audioEndedSerial_.load(std::memory_order_acquire) != serial)
        shortRenders_.fetch_add(1, std::memory_order_relaxed);
    // The last sample is mixed: the item is over for the program now, even
    // though it is heard one output delay later. The end watch is woken at
    // once, and the player's sound goes on with the item queued behind this
    // one from the next sample.
    if (audioEndedSerial_.load(std::memory_order_acquire) == serial
        && audioDrainedSerial_.load(std::memory_order_relaxed) != serial && ring_.available() == 0) {
        soundDrained(audioEndPts_.load(std::memory_order_relaxed), done, context, serial);
        return done;
    }
    return -1;
}

int ItemPipeline::renderSilence(int frames, const AudioRenderContext& context, std::uint64_t serial)
{
    // Ended by the clock outside the renders (a render that came too late).
    if (endedSerial_.load(std::memory_order_acquire) == serial)
        return 0;
    if (!clock_.isRunning() || audioDrainedSerial_.load(std::memory_order_relaxed) == serial)
        return -1;
    // An item without sound sounds silence, counted sample by sample as
    // sound is: once an output renders it, its clock is the output's (the
    // host clock only until then), and it ends on the sample where its
    // pictures (or its out-point) end. The silence counts from where the
    // clock started, not from where the host clock has run by the first
    // render: the time between the two (a busy machine's late render) is
    // not heard, and the item would end that much early.
    if (startedSerial_ != serial) {
        startedSerial_ = serial;
        silenceStart_ = clock_.startedFrom();
        silenceFrames_ = 0;
        if (!silenceTimed_.load(std::memory_order_relaxed)) {
            clock_.setAudioDriven(true);
            silenceTimed_.store(true, std::memory_order_release);
        }
    }
    double end = endLimit();
    if (videoEndedSerial_.load(std::memory_order_acquire) == serial)
        end = std::min(end, videoEndPts_.load(std::memory_order_relaxed));
    int n = frames;
    bool last = false;
    if (std::isfinite(end)) {
        const std::int64_t left = std::llround((end - silenceStart_) * kOutputRate) - silenceFrames_;
        if (left <= frames) {
            n = static_cast<int>(std::max<std::int64_t>(left, 0));
            last = true;
        }
    }
    if (n > 0)
        clock_.audioRendered(silenceStart_ + silenceFrames_ / kOutputRate, n, context.hostTime, context.latency);
    silenceFrames_ += n;
    if (!last)
        return -1;
    soundDrained(end, n, context, serial);
    return n;
}

void ItemPipeline::soundDrained(double end, int mixed, const AudioRenderContext& context, std::uint64_t serial)
{
    clock_.audioFinished(end, context.hostTime, mixed / kOutputRate + context.latency);
    audioDrainedSerial_.store(serial, std::memory_order_release);
    {
        std::lock_guard lock(controlMutex_); // a write: the watch cannot miss the wake
        drainWake_ = true;
    }
    controlWake_.notify_all();
}

void ItemPipeline::startAt(double hostTime)
{
    clock_.play(hostTime);
    controlWake_.notify_all();
    framesWake_.notify_all();
}

void ItemPipeline::setTap(std::shared_ptr<AudioTap> tap)
{
    if (tap == tap_)
        return;
    tap_ = std::move(tap);
    tapPrepared_ = false;
}

// --- demux -------------------------------------------------------------------

void ItemPipeline::demuxMain()
{
    setCurrentThreadName("Vellumcast.MediaPlayer.demux");
    // The reader feeds the sound's decoder and is raised as it is, but only
    // once the decoders and their threads are made: a thread takes its
    // maker's priority, and the picture's decoding (a thread per core for a
    // large picture) raised beside the sound would take the cores from the
    // interface. The players' pool may hand over a thread raised before.
    restoreCurrentThreadPriority();
    struct Teardown {
        ItemPipeline& pipeline;
        ~Teardown() { pipeline.endDecoding(); }
    } teardown { *this };
    if (!open())
        return;
    const std::uint64_t firstSerial = serialState().serial;
    videoPackets_.flush(firstSerial);
    audioPackets_.flush(firstSerial);
    if (videoCtx_)
        videoThread_ = std::thread([this] { videoMain(); });
    if (audioCtx_)
        audioThread_ = std::thread([this] { audioMain(); });
    raiseCurrentThreadPriority();
    opened_.store(true, std::memory_order_release);
    if (events_.opened)
        events_.opened(true, {});

    runDemux();
}

void ItemPipeline::endDecoding()
{
    stop();
    if (videoThread_.joinable())
        videoThread_.join();
    if (audioThread_.joinable())
        audioThread_.join();
    sws_freeContext(sws_);
    sws_ = nullptr;
    sws_freeContext(planeSws_);
    planeSws_ = nullptr;
    swr_free(&swr_);
    videoCtx_.reset();
    audioCtx_.reset();
    format_.reset();
    // The decoders' buffers and set-up, megabytes freed over several heaps.
    HeapRelease::shared().request();
}

bool ItemPipeline::open()
{
    // The reason as FFmpeg gives it (the interface puts it behind its own
    // translated lead), or a translated one where FFmpeg has none.
    auto fail = [this](const QString& reason) {
        if (events_.opened && !abort_)
            events_.opened(false, reason);
        return false;
    };
    const auto noTracks = [] {
        return QCoreApplication::translate("MediaPlayer", "nessuna traccia audio o video riproducibile");
    };
    AVFormatContext* input = avformat_alloc_context();
    if (!input)
        return fail(libav::errorText(AVERROR(ENOMEM)));
    input->interrupt_callback.callback = &interruptCallback;
    input->interrupt_callback.opaque = &abort_;
    // Program streams carry no time for pictures that share a packet with
    // the one before: the demuxer works them out, or pictures after a seek
    // would be given the wrong times.
    input->flags |= AVFMT_FLAG_GENPTS;
    const QByteArray path = item_->path().toUtf8();
    openedStamp_ = FileStamp::of(item_->path());
    if (const int rc = avformat_open_input(&input, path.constData(), nullptr, nullptr); rc < 0)
        return fail(libav::errorText(rc)); // avformat_open_input freed it
    format_.reset(input);
    // The probe decodes a picture or two on one thread: a frame-threaded
    // probe of a 4K file would hold a picture per thread for nothing.
    std::vector<AVDictionary*> probeOptions(format_->nb_streams, nullptr);
    for (AVDictionary*& options : probeOptions)
        av_dict_set(&options, "threads", "1", 0);
    const int probed = avformat_find_stream_info(format_.get(), probeOptions.data());
    for (AVDictionary*& options : probeOptions)
        av_dict_free(&options);
    if (probed < 0)
        return fail(libav::errorText(probed));

    videoStream_ = av_find_best_stream(format_.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (videoStream_ >= 0 && (format_->streams[videoStream_]->disposition & AV_DISPOSITION_ATTACHED_PIC))
        videoStream_ = -1; // cover art is not a picture track
    audioStream_ = av_find_best_stream(format_.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (videoStream_ >= 0) {
        // Set up for the size the pictures are drawn at as the item stands
        // now: its outputs, and the size hint of an item made for a program
        // that draws it only later.
        AVStream* stream = format_->streams[videoStream_];
        videoCtx_.reset(openDecoder(stream, item_->pictureSizeLimit(transformOf(stream))));
        if (!videoCtx_)
            videoStream_ = -1;
    }
    if (audioStream_ >= 0) {
        audioCtx_.reset(openDecoder(format_->streams[audioStream_]));
        if (!audioCtx_)
            audioStream_ = -1;
    }
    if (videoStream_ < 0 && audioStream_ < 0)
        return fail(noTracks());
    for (unsigned i = 0; i < format_->nb_streams; ++i)
        if (static_cast<int>(i) != videoStream_ && static_cast<int>(i) != audioStream_)
            format_->streams[i]->discard = AVDISCARD_ALL;

    startOffset_ = libav::itemStart(format_.get(), audioStream_, videoStream_);
    VideoTransform transform;
    if (videoStream_ >= 0) {
        AVStream* st = format_->streams[videoStream_];
        videoTimeBase_ = av_q2d(st->time_base);
        const AVRational rate = av_guess_frame_rate(format_.get(), st, nullptr);
        if (rate.num > 0 && rate.den > 0)
            frameDuration_ = av_q2d(av_inv_q(rate));
        transform = transformOf(st);
    }
    if (audioStream_ >= 0) {
        audioTimeBase_ = av_q2d(format_->streams[audioStream_]->time_base);
        audioEnd_ = libav::statedAudioEnd(format_.get(), audioStream_) - startOffset_;
        const AVCodecParameters* par = format_->streams[audioStream_]->codecpar;
        audioPreroll_ = kAudioPreroll;
        if (par->seek_preroll > 0 && par->sample_rate > 0)
            audioPreroll_ = std::max(audioPreroll_, par->seek_preroll / static_cast<double>(par->sample_rate));
    }
    item_->setDuration(libav::playedDuration(format_.get(), audioStream_, videoStream_));
    item_->setStreamInfo(audioStream_ >= 0, videoStream_ >= 0, transform);
    clock_.setAudioDriven(audioStream_ >= 0);
    if (videoStream_ < 0)
        clock_.release(now());
    return !abort_;
}

void ItemPipeline::runDemux()
{
    std::unique_ptr<AVPacket, PacketDeleter> packet(av_packet_alloc());
    bool eof = false;
    while (!abort_) {
        SeekRequest request;
        bool seekNow = false;
        SerialState state;
        {
            std::lock_guard lock(controlMutex_);
            if (seekPending_) {
                request = seekRequest_;
                seekPending_ = false;
                seekNow = true;
            }
            state = state_;
        }
        if (seekNow) {
            performSeek(request);
            eof = false;
            continue;
        }
        const bool videoDone = videoStream_ < 0 || state.videoEnded;
        const bool audioDone = audioStream_ < 0 || state.audioEnded;
        if (eof || (videoDone && audioDone)) {
            watchEnd();
            std::unique_lock lock(controlMutex_);
            controlWake_.wait_for(lock, kPoll, [this] { return seekPending_ || abort_ || drainWake_; });
            drainWake_ = false;
            continue;
        }
        const bool videoFull = videoDone || videoPackets_.count() >= kVideoPackets;
        const bool audioFull = audioDone || audioPackets_.count() >= kAudioPackets;
        const bool soundBehind = audioStream_ >= 0 && !audioDone && !(soundRead_ + kInterleaveSlack >= readReach_);
        const std::size_t maxBytes = soundBehind ? kMaxPacketBytesWithoutSound : kMaxPacketBytes;
        if ((videoFull && audioFull) || videoPackets_.bytes() + audioPackets_.bytes() > maxBytes) {
            markSilence(state);
            std::unique_lock lock(controlMutex_);
            controlWake_.wait_for(lock, kPoll, [this] { return seekPending_ || abort_; });
            continue;
        }
        const int rc = av_read_frame(format_.get(), packet.get());
        if (rc < 0) {
            if (abort_)
                break;
            const double lap = lapMaxEnd_ - lapOffset_;
            if (looping_ && lap > 0.01) {
                if (lapLength_ <= 0.0) {
                    lapLength_ = lap;
                    lapLengthShared_.store(lap, std::memory_order_relaxed);
                }
                libav::rewindOrSeekStart(format_.get());
                lapOffset_ += lapLength_;
                lapMaxEnd_ = lapOffset_;
                const std::uint64_t serial = state.serial;
                markSilentToPicturesEnd(serial);
                videoPackets_.put(PacketEntry { PacketEntry::Kind::Loop, nullptr, serial, lapOffset_ });
                audioPackets_.put(PacketEntry { PacketEntry::Kind::Loop, nullptr, serial, lapOffset_ });
                continue;
            }
            checkEndedShort();
            markSilentToPicturesEnd(state.serial);
            videoPackets_.put(PacketEntry { PacketEntry::Kind::Drain, nullptr, state.serial, lapOffset_ });
            audioPackets_.put(PacketEntry { PacketEntry::Kind::Drain, nullptr, state.serial, lapOffset_ });
            eof = true;
            continue;
        }
        queuePacket(packet.get(), state.serial);
    }
}

// The sound has no gap the output would wait at for ever: a file whose sound
// starts late, stops for a while or ends before its pictures has its
// pictures read there and no sound, and once the reading waits for room the
// clock, which follows the sound, would wait for sound that is never read.
// (While the reading goes on, the sound after the gap is read and its
// decoder puts the silence before it.) What the waiting reading has passed
// without sound (less what a muxer may have put later) is silence; and
// when the output has played every sample decoded, so is everything read.
void ItemPipeline::markSilence(const SerialState& state)
{
    if (audioStream_ < 0 || state.audioEnded || !std::isfinite(readReach_) || audioPackets_.count() > 0)
        return;
    const double sure = readReach_ - kInterleaveSlack;
    const bool starved = ring_.available() == 0;
    if (!starved && !(sure > silenceMarked_ + kSilenceStep))
        return;
    silenceMarked_ = std::max(silenceMarked_, sure);
    PacketEntry entry { PacketEntry::Kind::Silence, nullptr, state.serial, lapOffset_ };
    entry.silentUntil = sure;
    entry.silentIfStarved = starved ? std::max(readReach_, picturesRead_) : sure;
    audioPackets_.put(entry);
}

void ItemPipeline::markSilentToPicturesEnd(std::uint64_t serial)
{
    if (audioStream_ < 0 || videoStream_ < 0 || !std::isfinite(picturesRead_))
        return;
    PacketEntry entry { PacketEntry::Kind::Silence, nullptr, serial, lapOffset_ };
    entry.silentUntil = picturesRead_;
    entry.silentIfStarved = picturesRead_;
    entry.toEnd = true;
    audioPackets_.put(entry);
}

void ItemPipeline::queuePacket(AVPacket* packet, std::uint64_t serial)
{
    const int index = packet->stream_index;
    if (index != videoStream_ && index != audioStream_) {
        av_packet_unref(packet);
        return;
    }
    const bool video = index == videoStream_;
    const double tb = video ? videoTimeBase_ : audioTimeBase_;
    const std::int64_t ts = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
    if (ts != AV_NOPTS_VALUE) {
        // A lap ends where its sound is cut (audioEnd_), not with the padding.
        const double end = (ts + std::max<std::int64_t>(packet->duration, 0)) * tb - startOffset_;
        lapMaxEnd_ = std::max(lapMaxEnd_, (video ? end : std::min(end, audioEnd_)) + lapOffset_);
        if (video) {
            // As the decoder times the picture: a packet without duration lasts a frame.
            const double shown = packet->duration > 0 ? end : ts * tb - startOffset_ + frameDuration_;
            picturesRead_ = std::max(picturesRead_, shown + lapOffset_);
        }
    }
    const std::int64_t read = packet->dts != AV_NOPTS_VALUE ? packet->dts : ts;
    if (read != AV_NOPTS_VALUE) {
        const double at = read * tb - startOffset_ + lapOffset_;
        readReach_ = std::max(readReach_, at);
        if (!video)
            soundRead_ = std::max(soundRead_, at);
    }
    AVPacket* owned = av_packet_alloc();
    if (!owned) {
        av_packet_unref(packet);
        return;
    }
    av_packet_move_ref(owned, packet);
    PacketQueue& queue = video ? videoPackets_ : audioPackets_;
    queue.put(PacketEntry { PacketEntry::Kind::Data, owned, serial, lapOffset_ });
}

void ItemPipeline::performSeek(const SeekRequest& request)
{
    const std::uint64_t serial = serialState().serial;
    const auto setTarget = [&](double target) {
        std::lock_guard lock(controlMutex_);
        if (state_.serial == serial)
            state_.target = target;
    };
    lapOffset_ = 0.0;
    lapMaxEnd_ = 0.0;
    readReach_ = -kInfinity;
    soundRead_ = -kInfinity;
    picturesRead_ = -kInfinity;
    silenceMarked_ = -kInfinity;
    // Sound alone lands on the target exactly whatever the tolerance (it
    // has no key frames to wait for), decoded from a little before it: the
    // first frames after a seek lack the frames before them that they
    // overlap or borrow bits from (the MP3 bit reservoir), and come out
    // damaged or short.
    const bool soundOnly = videoStream_ < 0;
    const double preroll = soundOnly ? audioPreroll_ : 0.0;
    // At the item's start (or nearer to it than the preroll) the file is
    // read as an opening reads it, from the first packet: the sound's
    // priming is marked and dropped there, where a seek to the start time
    // lands after it (an MP4's first sound then lacks the priming frame it
    // is decoded from).
    if (request.target <= preroll && libav::rewind(format_.get())) {
        setTarget(std::max(request.target, 0.0));
        videoPackets_.flush(serial);
        audioPackets_.flush(serial);
        return;
    }
    const double limited = std::clamp(request.target - preroll + startOffset_, 0.0, 1.0e9);
    const auto ts = static_cast<std::int64_t>(std::llround(limited * AV_TIME_BASE));
    // Pictures start at a key frame at or before the target, also in
    // containers whose timestamp seek lands past it; sound follows them.
    libav::KeyframeSeek sought = libav::seekToKeyAtOrBefore(format_.get(), soundOnly ? audioStream_ : videoStream_, ts, &abort_);
    if (soundOnly) {
        setTarget(request.target);
    } else if (request.tolerance == SeekTolerance::Default && sought.keyTime != AV_NOPTS_VALUE) {
        // The position is the key frame's: earlier pictures (open GOPs)
        // and earlier sound are left out, so both start there together.
        setTarget(sought.keyTime / static_cast<double>(AV_TIME_BASE) - startOffset_);
    }
    videoPackets_.flush(serial);
    audioPackets_.flush(serial);
    for (const libav::PacketPtr& packet : sought.readAhead)
        queuePacket(packet.get(), serial);
}

bool ItemPipeline::watchEnd()
{
    const SerialState st = serialState();
    if (st.ended || !clock_.isRunning() || looping_)
        return false;
    // The output has mixed the last sample, of sound or of the silence an
    // item without sound plays once an output renders it.
    const bool videoDone = videoStream_ < 0 || st.videoEnded;
    const bool audioDone = (audioStream_ < 0 && !silenceTimed_.load(std::memory_order_acquire))
        || audioDrainedSerial_.load(std::memory_order_acquire) == st.serial;
    if (!videoDone || !audioDone)
        return false;
    double end = 0.0;
    if (videoStream_ >= 0)
        end = st.videoEnd;
    if (audioStream_ >= 0)
        end = std::max(end, st.audioEnd);
    end = std::min(end, endLimit());
    // Over when the output has mixed up to the end (without audio, or after
    // it, the clock reaches it).
    if (clock_.mixedNow(now()) + 1e-6 < end)
        return false;
    {
        std::lock_guard lock(controlMutex_);
        if (state_.serial != st.serial || state_.ended)
            return false;
        state_.ended = true;
    }
    clock_.freeze(end);
    // Without sound and ended by the host clock, the player's next render
    // goes on with the item queued behind this one.
    endedSerial_.store(st.serial, std::memory_order_release);
    if (!shortReason_.isEmpty() && events_.endedShort)
        events_.endedShort(shortReason_);
    if (events_.ended)
        events_.ended();
    return true;
}

void ItemPipeline::checkEndedShort()
{
    shortReason_.clear();
    // A length estimated from the bit rate (an MP3 without its index) is no
    // promise; nor is anything past the out-point.
    const double stated = std::min(item_->duration(), endLimit());
    if (!std::isfinite(stated) || format_->duration_estimation_method == AVFMT_DURATION_FROM_BITRATE)
        return;
    const double reached = lapMaxEnd_ - lapOffset_;
    if (reached + std::max(kShortEndSeconds, stated * 0.02) >= stated)
        return;
    const bool changed = openedStamp_ && FileStamp::of(item_->path()) != openedStamp_;
    shortReason_ = changed ? QCoreApplication::translate("MediaPlayer", "il file è stato cambiato mentre era in uso")
                           : QCoreApplication::translate("MediaPlayer", "il file finisce prima della durata indicata");
}

void ItemPipeline::streamFinished(bool video, std::uint64_t serial, double endTime)
{
    {
        std::lock_guard lock(controlMutex_);
        if (state_.serial != serial)
            return;
        if (video) {
            if (state_.videoEnded)
                return;
            state_.videoEnded = true;
            state_.videoEnd = endTime;
        } else {
            if (state_.audioEnded)
                return;
            state_.audioEnded = true;
            state_.audioEnd = endTime;
        }
    }
    if (video) {
        videoEndPts_.store(endTime, std::memory_order_relaxed);
        videoEndedSerial_.store(serial, std::memory_order_release);
    } else {
        audioEndPts_.store(endTime, std::memory_order_relaxed);
        audioEndedSerial_.store(serial, std::memory_order_release);
    }
    // The end came before the pictures a start waits for: it starts with
    // the first one (or, with none, at the end).
    if (video && videoStartWaiting_ > 0)
        firstDecoded(serial, videoFirstTime_);
    if (video || videoStream_ < 0)
        firstDecoded(serial, endTime);
    controlWake_.notify_all();
}

void ItemPipeline::firstDecoded(std::uint64_t serial, double time)
{
    std::uint64_t seekId = 0;
    bool snap = false;
    {
        std::lock_guard lock(controlMutex_);
        if (state_.serial != serial || state_.reported)
            return;
        state_.reported = true;
        seekId = state_.seekId;
        snap = state_.snapToFirst;
    }
    if (snap && std::isfinite(time))
        clock_.jump(std::max(time, 0.0), now());
    clock_.release(now());
    if (seekId != 0 && events_.seekDone)
        events_.seekDone(seekId);
}

} // namespace tessarin
