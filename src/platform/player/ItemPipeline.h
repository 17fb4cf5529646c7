#pragma once
// The playing machinery of one item inside FfmpegMediaPlayer: a demux thread
// (it also opens the file, performs seeks and loop restarts, and watches for
// the end), a video and an audio decode thread, the queues between them, the
// item's clock, its decoded pictures (PlayerItemSource) and its audio,
// rendered by the sound of the player that holds it (PlayerAudioSource).
// Controls are for the main thread; events come back on the pipeline's
// threads. A pipeline moves with its item from one player to another.
#include "platform/LibAv.h"
#include "platform/player/AudioOutput.h"
#include "platform/player/AudioRing.h"
#include "platform/player/DecodePace.h"
#include "platform/player/FileStamp.h"
#include "platform/player/ItemClock.h"
#include "platform/player/MediaPlayer.h"
#include "platform/player/PacketQueue.h"
#include "platform/player/PlayerItem.h"
#include "platform/player/VideoFrame.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <limits>
#include <future>
#include <memory>
#include <mutex>
#include <thread>

struct AVFormatContext;
struct AVCodecContext;
struct AVPacket;
struct AVFrame;
struct SwsContext;
struct SwrContext;

template <typename T>
class QPointer;

namespace tessarin {

class FfmpegMediaPlayer;

class ItemPipeline final : public PlayerItemSource,
                           public std::enable_shared_from_this<ItemPipeline> {
public:
    struct Events {
        // The header was read (ok) or the file cannot be played (error text).
        std::function<void(bool ok, const QString& error)> opened;
        // The seek of that id landed (the first picture or samples decoded).
        std::function<void(std::uint64_t seekId)> seekDone;
        // Playback reached the end: the output mixed its last sample (of
        // sound, or of the silence of an item without sound; the clock got
        // there while no output renders it); at most once per position.
        std::function<void()> ended;
        // Called just before ended when the file ended well short of its
        // stated length (it was cut or changed after it was opened): the
        // reason, for the item's failure.
        std::function<void(const QString& reason)> endedShort;
    };

    ItemPipeline(std::shared_ptr<PlayerItem> item, bool playing, bool muted, bool looping);
    ~ItemPipeline() override;

    // Main thread.
    void start(Events events);
    // Stops every thread; they are joined off the main thread.
    void shutdown();
    void setPlaying(bool playing);
    void setMuted(bool muted) { muted_.store(muted, std::memory_order_relaxed); }
    void setLooping(bool looping) { looping_.store(looping, std::memory_order_relaxed); }
    void seek(double seconds, SeekTolerance tolerance, std::uint64_t seekId);
    // The tap the samples go through from now on. Only between two renders
    // (AudioOutput::betweenRenders) or before a player's sound renders it.
    void setTap(std::shared_ptr<AudioTap> tap);
    // Whether shutdown() was called.
    bool isShutDown() const { return abort_.load(std::memory_order_relaxed); }
    // Any thread: the end of the process. Every pipeline stops as by
    // shutdown(), whoever holds it (a cued item's, a paused one's, one
    // queued for its join, one let go of), and one made later never starts
    // reading. Run by the process's end before it waits for the players'
    // threads.
    static void shutdownAll();

    // Main thread: the player the pipeline's events go to (it moves with the
    // pipeline; null while the item is between two players), and the id of
    // its latest seek.
    std::shared_ptr<QPointer<FfmpegMediaPlayer>> owner;
    std::uint64_t lastSeekId = 0;

    std::uint64_t droppedFrames() const { return dropped_.load(std::memory_order_relaxed); }
    // Renders, of every item of the process, that found its decoded sound
    // run short while more was to come (FfmpegMediaPlayer::soundShortRenders).
    static std::uint64_t shortRenders();

    // PlayerItemSource (any thread).
    double itemTime(double hostTime) const override;
    double itemTimeAhead(double hostTime, double lookahead) const override;
    double currentTime() const override;
    std::shared_ptr<const VideoFrame> frameAt(double itemTime) const override;

    // Audio thread, called by the player's sound. Mixes up to frames of the
    // item's sound into mix (an item without sound counts its silence);
    // returns the frames after which the item's sound ended in this render,
    // or -1 while it goes on.
    int render(float* mix, int frames, const AudioRenderContext& context);
    // Audio thread: a paused pipeline (the one queued behind the current
    // item) starts playing at a host time, inside a render.
    void startAt(double hostTime);

private:
    struct SeekRequest {
        double target = 0.0;
        SeekTolerance tolerance = SeekTolerance::Default;
        std::uint64_t id = 0;
    };
    // What the decoders and the end watch know about the current serial.
    struct SerialState {
        std::uint64_t serial = 1;
        double target = -1.0e300;   // zero-tolerance target; very negative for none
        bool snapToFirst = false;   // default tolerance: the clock lands on the first decoded time
        std::uint64_t seekId = 0;   // 0: no seek to report
        bool videoEnded = false;
        double videoEnd = 0.0;
        bool audioEnded = false;
        double audioEnd = 0.0;
        bool reported = false;      // seek landing reported
        bool ended = false;         // end signalled
    };

    void demuxMain();
    // Ends the decoder threads and frees every decoding resource.
    void endDecoding();
    bool open();
    void runDemux();
    void performSeek(const SeekRequest& request);
    void queuePacket(AVPacket* packet, std::uint64_t serial); // takes its contents
    // The reading waits for room: tells the sound's decoder how far it has
    // gone without sound, when nothing else is queued for it.
    void markSilence(const SerialState& state);
    // Before the end of the reading (or of a lap): the sound is silent up
    // to where the pictures read end.
    void markSilentToPicturesEnd(std::uint64_t serial);
    bool watchEnd();
    // At the end of the reading: whether the file ended well before the
    // length it stated when it was opened (and whether it changed since).
    void checkEndedShort();
    void videoMain();
    void audioMain();
    void decodeLoop(AVCodecContext* ctx, PacketQueue& queue, bool video);
    void handleVideoFrame(AVFrame* frame, std::uint64_t serial, double lapOffset);
    void handleAudioFrame(AVFrame* frame, std::uint64_t serial, double lapOffset);
    void pushAudio(const float* samples, int frames, double pts, std::uint64_t serial);
    // Sound of the item's time `until` and before, from where the sound
    // stands: silence (a gap, a late start, sound shorter than pictures).
    // yieldToPackets: what the reading has passed may still hold sound
    // written late: the silence stops at the next packet queued.
    void fillSilence(double until, std::uint64_t serial, bool yieldToPackets);
    int renderSilence(int frames, const AudioRenderContext& context, std::uint64_t serial);
    // Audio thread: the last sample (at item time end) was mixed after
    // `mixed` frames of this render.
    void soundDrained(double end, int mixed, const AudioRenderContext& context, std::uint64_t serial);
    void streamFinished(bool video, std::uint64_t serial, double endTime);
    void resetDecoder(bool video, std::uint64_t serial);
    void finishDecoder(bool video, std::uint64_t serial);
    bool configureResampler(const AVFrame* frame);
    void firstDecoded(std::uint64_t serial, double time);
    SerialState serialState() const;
    bool serialCurrent(std::uint64_t serial) const { return serial_.load(std::memory_order_acquire) == serial; }
    double endLimit() const; // the out-point, or +inf (looping ignores it)
    void pruneFrames(double now);
    bool waitForPictureRoom(std::uint64_t serial);
    // The one way every thread of the pipeline is told to stop: abort_,
    // which each of their waits looks at, and every wait woken.
    void stop();
    void wake();

    std::shared_ptr<PlayerItem> item_;
    Events events_;
    ItemClock clock_;
    std::atomic<bool> abort_ { false };
    std::atomic<bool> muted_;
    std::atomic<bool> looping_;
    std::atomic<std::uint64_t> serial_ { 1 };
    std::atomic<std::uint64_t> dropped_ { 0 };
    static std::atomic<std::uint64_t> shortRenders_;
    std::atomic<bool> opened_ { false };

    // Control, guarded by controlMutex_ (one read or write at a time).
    mutable std::mutex controlMutex_;
    std::condition_variable controlWake_;
    bool seekPending_ = false;
    bool drainWake_ = false; // the output mixed the last sample: check the end
    SeekRequest seekRequest_;
    SerialState state_;

    // Demux side (demux thread only).
    // Owners: whatever open() got goes on every way out of the demux
    // thread (endDecoding), whether the item opened or not.
    libav::InputPtr format_;
    libav::CodecPtr videoCtx_;
    libav::CodecPtr audioCtx_;
    int videoStream_ = -1;
    int audioStream_ = -1;
    double startOffset_ = 0.0;
    double videoTimeBase_ = 0.0;
    double audioTimeBase_ = 0.0;
    // Item time where the container says the sound ends, before the
    // encoder's padding (libav::statedAudioEnd).
    double audioEnd_ = std::numeric_limits<double>::infinity();
    // Sound decoded before a seek target of a file without pictures.
    double audioPreroll_ = 0.0;
    double frameDuration_ = 0.04;
    double lapOffset_ = 0.0;
    double lapLength_ = 0.0; // the length of one lap once known (loops)
    double lapMaxEnd_ = 0.0; // largest packet end of the current lap
    // Item times of this position's reading: the latest packet time read,
    // the latest of the sound, the end of the pictures read, and the
    // sound's silence last marked.
    double readReach_ = -std::numeric_limits<double>::infinity();
    double soundRead_ = -std::numeric_limits<double>::infinity(); // the latest sound read
    double picturesRead_ = -std::numeric_limits<double>::infinity();
    double silenceMarked_ = -std::numeric_limits<double>::infinity();
    // The file as it was opened, and why its reading ended short (empty
    // while it did not).
    std::optional<FileStamp> openedStamp_;
    QString shortReason_;

    PacketQueue videoPackets_;
    PacketQueue audioPackets_;

    // Decoded pictures, guarded by framesMutex_.
    mutable std::mutex framesMutex_;
    std::condition_variable framesWake_;
    std::deque<std::shared_ptr<VideoFrame>> frames_;
    SwsContext* sws_ = nullptr; // video thread only
    int swsSpace_ = -1;
    int swsRange_ = -1;
    std::int64_t swsKey_ = -1; // size and format the tables were made for
    std::vector<std::uint8_t> deep_;      // video thread only: a deep 4:2:0 picture halved into 8-bit planes
    std::vector<std::uint8_t> halved_[2]; // video thread only: 4:2:0 planes at half size, two steps
    SwsContext* planeSws_ = nullptr;      // video thread only: 4:2:0 planes to the drawn size
    std::vector<std::uint8_t> resized_;   // video thread only: its planes

    // Audio.
    AudioRing ring_;
    SwrContext* swr_ = nullptr; // audio thread only
    std::vector<float> convertBuffer_; // audio thread only
    double expectedAudioPts_ = -1.0;   // audio thread only
    std::vector<float> scratch_;       // output callback only
    std::shared_ptr<AudioTap> tap_;
    bool tapPrepared_ = false;          // output callback only
    std::uint64_t startedSerial_ = 0;   // output callback only: the serial being consumed
    double silenceStart_ = 0.0;         // output callback only, without sound: where the serial's silence began
    std::int64_t silenceFrames_ = 0;    // and the frames of it mixed since
    std::atomic<std::uint64_t> audioDrainedSerial_ { 0 };
    std::atomic<std::uint64_t> endedSerial_ { 0 }; // the serial whose end was signalled
    std::atomic<std::uint64_t> audioEndedSerial_ { 0 };
    std::atomic<double> audioEndPts_ { 0.0 };
    std::atomic<bool> silenceTimed_ { false }; // without sound: an output renders the item's silence
    std::atomic<std::uint64_t> videoEndedSerial_ { 0 };
    std::atomic<double> videoEndPts_ { 0.0 };
    std::atomic<double> lapLengthShared_ { 0.0 };

    // Decoder-thread state (each member used by one decode thread only).
    bool videoFirst_ = true;
    double videoFirstTime_ = 0.0;  // of the first picture since the start
    int videoStartWaiting_ = -1;   // pictures still to come before the clock starts (-1: started)
    std::size_t videoPictureBytes_ = 0; // of the last picture converted (0: none yet)
    QSize videoDecodedSize_;            // of the last picture decoded
    DecodePace videoPace_;
    double videoBusySince_ = 0.0; // when the video thread last stopped waiting for room
    bool videoPastEnd_ = false;
    double videoLastEnd_ = 0.0;
    bool audioFirst_ = true;
    bool audioPastEnd_ = false;
    double audioLastEnd_ = 0.0;
    // Whether audioLastEnd_ is where the sound stands (after a seek whose
    // landing is unknown, only once sound came), and where the silence
    // that ends the sound so far began (NaN after sound).
    bool audioPlaced_ = false;
    double audioSilenceFrom_ = std::numeric_limits<double>::quiet_NaN();
    int swrInRate_ = 0;
    int swrInFormat_ = -1;
    int swrInChannels_ = 0;

    // Ready once the reader, run on a thread of the players' pool, has left.
    std::future<void> demuxDone_;
    std::thread videoThread_;
    std::thread audioThread_;
};

} // namespace tessarin
