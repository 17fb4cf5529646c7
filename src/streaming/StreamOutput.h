#pragma once
// One stream destination: its settings (kind, address, bitrate, codecs), the
// check done when the operator starts it, the ffmpeg processes of a run fed
// through pipes, and the status shown to the operator.
//
// The address lives in the keychain, reached through a KeychainQueue so the
// main thread never waits for the secret service: the stored address is read
// in the background and published when it comes (an address assigned before
// then wins over it), and assignments are stored once the edits pause. An
// address held in a locked keyring is not asked for (no unlock prompt): the
// output says so (isUrlLocked) and reads it again every
// kUrlLockedRetrySeconds and at each start, until the keyring gives it.
// An address the keychain refuses to store (a locked keyring, no secret
// service) stays in use and pending: the output says so (isUrlNotStored) and
// hands it over again every kUrlLockedRetrySeconds and at quit, until a write
// succeeds. It is never kept anywhere else.
//
// Published values change on the main thread only. The run's own state
// (running flag, process ids, pipe descriptors, pending writes) lives in a
// lock-guarded block shared with the launch thread, the write queues, the
// readers and the stream manager's pumps.
#include "platform/Clock.h"
#include "streaming/StreamFormat.h"
#include "streaming/StreamFrame.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <sys/types.h>

#include <array>
#include <limits>
#include <memory>
#include <optional>
#include <utility>
#include <variant>
#include <vector>

namespace tessarin {

class KeychainQueue;
class Settings;

class StreamOutput : public QObject {
    Q_OBJECT
public:
    enum class Kind { rtmp, srt };
    enum class VideoCodec { h265, h264 };
    enum class InterlacedCodec { mpeg2, h264 };

    struct Status {
        enum class State { idle, connecting, live, failed };
        State state = State::idle;
        QString message; // failed only

        static Status idle() { return {}; }
        static Status connecting() { return { State::connecting, {} }; }
        static Status live() { return { State::live, {} }; }
        static Status failed(QString message) { return { State::failed, std::move(message) }; }
        friend bool operator==(const Status&, const Status&) = default;
    };

    // The encoder set-ups a run can use: the hardware ones (VAAPI, NVENC,
    // Quick Sync, for H.264 and H.265), then the software ones.
    enum class Encoder {
        h264Vaapi,
        hevcVaapi,
        h264Nvenc,
        hevcNvenc,
        h264Qsv,
        hevcQsv,
        x264,
        x264Interlaced,
        mpeg2Interlaced,
    };

    // Which ffmpeg encodes with which encoder, and the ffmpeg that sends the
    // encoder's transport stream when the encoder cannot send it itself.
    struct LaunchPlan {
        QString ffmpeg;
        Encoder encoder = Encoder::x264;
        std::optional<QString> sender;
        QString device; // the VAAPI render node, VAAPI encoders only
    };

    // A hardware encoder that has proved to work, with its device.
    struct HardwareChoice {
        Encoder encoder = Encoder::x264;
        QString device;
    };

    // The bitrates offered, kbit/s.
    static constexpr std::array<int, 10> bitrates { 1500, 2500, 4000, 6000, 8000, 10000, 12000, 15000, 20000, 25000 };

    // The time a process gets to end after SIGTERM before it gets SIGKILL.
    static constexpr double kKillGraceSeconds = 1.5;
    // A stopped encoder works off what it was handed before the stop and
    // ends by itself at the end of its pipes. It gets SIGTERM once it has
    // taken no frame for kStopFlushSeconds (checked every kStopFlushSeconds,
    // from its frame count), and at the latest kStopFlushLimitSeconds after
    // the stop: on a busy machine it may be seconds behind, and still at
    // work.
    static constexpr double kStopFlushSeconds = 3.0;
    static constexpr double kStopFlushLimitSeconds = 30.0;

    // The pause in the edits of the address after which it is stored.
    static constexpr double kUrlSavePauseSeconds = 0.5;
    // How long a start made before the stored address has come waits for it.
    static constexpr double kUrlWaitSeconds = 10.0;
    // How often an address held in a locked keyring is read again, and an
    // address the keychain refused is written again.
    static constexpr double kUrlLockedRetrySeconds = 5.0;
    // The longest address taken, in characters. ffmpeg gets the address as
    // one argument, which the system caps at 128 KiB (a longer one fails the
    // launch itself); a real RTMP or SRT address with its key is a few
    // hundred characters at most.
    static constexpr qsizetype kMaxUrlLength = 4096;
    // What refuses a longer address, where it is typed and at a start.
    static QString urlTooLongText();

    // index is 1 or 2; settings and clock outlive the output; keychain is
    // KeychainQueue::shared() when null.
    StreamOutput(int index, Settings& settings, Clock& clock = HostClock::shared(),
                 std::shared_ptr<KeychainQueue> keychain = {}, QObject* parent = nullptr);
    // Stops a run still going: SIGTERM to its processes now, SIGKILL to
    // those still there after the grace (host time: the clock may go first).
    // An address not stored yet is handed to the keychain queue.
    ~StreamOutput() override;

    int id() const { return id_; }

    Kind kind() const { return kind_; }
    void setKind(Kind value);
    // "" until the stored address has come, unless one was assigned first.
    const QString& url() const { return url_; }
    // Publishes at once; the keychain gets the address once the assignments
    // pause for kUrlSavePauseSeconds (or at saveUrlNow()). An address longer
    // than kMaxUrlLength is refused: false; url() is it all the same (what
    // the operator sees), the output holds the refusal (isUrlRefused) until
    // an address within the limit is set, and the keychain's entry is
    // deleted in its place.
    bool setUrl(const QString& value);
    // True while url() is longer than kMaxUrlLength, however it came (set,
    // or stored by an older version): no start goes out meanwhile.
    bool isUrlRefused() const { return urlRefused_; }
    // True until the stored address has come or an address was assigned.
    bool isLoadingUrl() const { return urlReading_ && !urlAssigned_; }
    // True while the stored address is in a keyring that is locked and no
    // address was assigned: url() is "" though an address is stored.
    bool isUrlLocked() const { return urlLocked_ && !urlAssigned_; }
    // True from a failed write of the address assigned last until a write of
    // it succeeds: url() works for this run but is not stored for the next.
    bool isUrlNotStored() const { return urlNotStored_; }
    // Hands the last address assigned and not stored yet to the keychain
    // queue now (done too when the application quits and by the destructor).
    void saveUrlNow();
    int bitrateKbps() const { return bitrateKbps_; }
    void setBitrateKbps(int value);
    VideoCodec videoCodec() const { return videoCodec_; }
    void setVideoCodec(VideoCodec value);
    InterlacedCodec interlacedCodec() const { return interlacedCodec_; }
    void setInterlacedCodec(InterlacedCodec value);

    const Status& status() const { return status_; }
    double elapsed() const { return elapsed_; }
    double measuredKbps() const { return measuredKbps_; }
    // Frames of the current run (of the last one once it has ended) that
    // the stream did not carry, as last published: when the run goes live,
    // every second while it is live, and when it ends; the stream's card
    // shows it.
    long long runDroppedFrames() const { return runDroppedFrames_; }
    // Connecting or live.
    bool isActive() const;

    // Main thread. Checks the address and the combination (a refused address
    // fails it with urlTooLongText()), turns connecting
    // and launches in the background; does nothing while connecting or live.
    // While the stored address has not come, it turns connecting at once and
    // waits for it (at most kUrlWaitSeconds), then checks and launches.
    void start(const StreamFormat& format);
    // Main thread. Nothing more goes into the pipes; each pipe closes once
    // the writes already handed to it have finished, so the encoder works
    // off what was on air up to the stop and ends by itself at their end.
    // Processes still there when the encoder has stopped taking frames, or
    // at kStopFlushLimitSeconds (see kStopFlushSeconds), get SIGTERM, and
    // SIGKILL kKillGraceSeconds after that. The status turns idle when they have
    // ended, or at once when the start was still waiting for the address.
    void stop();

    // The frames that may wait for the encoder, and its start (see submit()).
    static constexpr int kWaitingFrames = 2;
    static constexpr double kStartQueueSeconds = 1.0;
    static constexpr double kPacedStartSeconds = 0.5;
    // The buffer asked for the picture pipe.
    static constexpr int kVideoPipeBytes = 1 << 20;

    // Any thread: hand a frame or an audio block to a running output. Dropped
    // when not running, after a stop, or when kWaitingFrames frames / 25
    // blocks are already waiting.
    //
    // The encoder's start is the exception. Having taken the run's first
    // frame, the encoder still opens its sound input, the connection and
    // itself before it reads pictures again, and then works off what came
    // meanwhile (a few tenths of a second on an idle machine). Until it has
    // kept pace, taking kPacedStartSeconds of frames in a row each before
    // the next one came, up to kStartQueueSeconds of frames wait for it, so
    // none of its start is refused and made up by repeats. A start that
    // fills that queue ends too: the encoder cannot keep up, and the queue
    // goes back to kWaitingFrames (its own input queue holds a second).
    //
    // time is the host time (seconds) the frame shows from, or the block's
    // first sample sounds at. The encoder reads both pipes without
    // timestamps, counting frames at the format's rate and samples at
    // 48 kHz, so the run keeps both counts on one clock: its time zero is
    // when the encoder has taken the run's first frame (nothing else goes
    // in before), the sound starts there too, and whatever is dropped or
    // skipped on the way is made up in the pipe (the last frame repeated
    // for every frame slot missed, silence for every sample missed). An
    // encoder that starts late, or falls behind for a while, therefore
    // never moves the sound against the picture. A frame or block without
    // a time (NaN) just goes in the next slot.
    void submit(const StreamFramePtr& frame, double time = std::numeric_limits<double>::quiet_NaN());
    void submit(const StreamAudioBlock& audio, double time = std::numeric_limits<double>::quiet_NaN());
    // Any thread: whether the processes are up and the pipes take data.
    bool isRunning() const;
    // Any thread: the sending process and the encoder of a chain (0 = none).
    std::pair<pid_t, pid_t> processIds() const;
    // Any thread: frame and audio writes queued and not finished.
    std::pair<int, int> pendingWrites() const;
    // Any thread: the frames the run's encoder reports as taken so far.
    long long encodedFrames() const;
    // Any thread: frames of the runs so far that the stream did not carry
    // (as many as may wait were waiting, or their slot was filled already).
    long long droppedFrames() const;
    // Application termination: marks a stop and sends SIGKILL to every
    // process of the run, waiting for nothing.
    void killForTermination();

    // The launch decision (runs ffmpeg probes): a plan or the failure text.
    static std::variant<LaunchPlan, QString> decide(const QString& scheme, const StreamFormat& format,
                                                    InterlacedCodec codec, bool hevc);
    // The encoder's argument list, without the executable; device is the
    // VAAPI render node (VAAPI encoders only).
    static QStringList arguments(const QString& address, const QString& scheme, const StreamFormat& format,
                                 int bitrate, Encoder encoder, bool chained, const QString& device = {});
    // The video encoder's own arguments (the encoder block of arguments()).
    static QStringList encoderArguments(Encoder encoder, const QString& device);
    // The picture format the encoder is fed: "yuv420p", "nv12" for Quick
    // Sync, nothing for VAAPI, whose graph uploads NV12 pictures itself.
    static std::optional<QString> pixelFormat(Encoder encoder);

    // The first hardware encoder of the codec, in the order VAAPI (on the
    // first render node), NVENC, Quick Sync, that ffmpeg lists and that
    // encodes a few frames at the format's size in a trial. An ffmpeg lists
    // encoders whose hardware or driver this computer may not have, so only
    // the trial counts. The answer is kept for the life of the process: a
    // device added later needs a new start.
    static std::optional<HardwareChoice> hardwareEncoder(const QString& ffmpeg, bool hevc, const StreamFormat& format);
    // The trial's argument list for one candidate.
    static QStringList trialArguments(Encoder encoder, const QString& device, const StreamFormat& format);
    // The first render node ("renderD*", by name) of the folder of DRI
    // devices, or "" when there is none.
    static QString firstRenderNode();
    // Tests: another folder of DRI devices (nullopt: the system's), and
    // forgetting the answers kept so far.
    static void overrideRenderNodeFolder(std::optional<QString> folder);
    static void forgetHardwareEncoders();
    // The sender's argument list, without the executable.
    static QStringList senderArguments(const QString& address);
    // The last non-blank line of ffmpeg's error output, trimmed of spaces and tabs.
    static std::optional<QString> lastMeaningfulLine(const QString& text);
    // Writes count bytes, retrying interrupted writes; false on any failure.
    static bool writeAll(int fd, const void* bytes, qsizetype count);

    // The sending-rate measurement of the progress lines.
    class ProgressMeter {
    public:
        enum class Event { none, rate, progress };
        struct Result {
            Event event = Event::none;
            double kbps = 0; // rate only, never negative
        };
        // One line from "-progress"; now is seconds of host time.
        Result handle(const QString& line, double now);
        void reset() { last_.reset(); }

    private:
        std::optional<std::pair<double, double>> last_; // (time, bytes)
    };

    struct Shared;

signals:
    void kindChanged();
    void urlChanged();
    void isUrlLockedChanged();
    void isUrlNotStoredChanged();
    void bitrateKbpsChanged();
    void videoCodecChanged();
    void interlacedCodecChanged();
    void statusChanged();
    void elapsedChanged();
    void measuredKbpsChanged();
    void runDroppedFramesChanged();
    // After every assignment of a published value.
    void changed();

private:
    void readStoredUrl(const std::optional<QString>& legacy);
    void storedUrlRead(const std::optional<QString>& stored, bool locked, const std::optional<QString>& legacy,
                       bool moved);
    // Reads the stored address again (no legacy settings to move), unless a
    // read is under way.
    void rereadStoredUrl();
    void setUrlLocked(bool locked);
    // The keychain's answer to the hand-over numbered serial, of text.
    void urlWritten(quint64 serial, const QString& text, bool stored);
    void setUrlNotStored(bool notStored);
    void startChecked(const StreamFormat& format);
    void waitForUrl(const StreamFormat& format);
    void endWaitForUrl();
    void setStatus(const Status& value);
    void setElapsed(double value);
    void setMeasuredKbps(double value);
    void setRunDroppedFrames(long long value);
    // Publishes the run's count of frames not carried.
    void publishDroppedFrames();
    void save(const QString& name, const QString& value);
    void fail(const QString& message);
    void goLive();
    void endRun(bool stopWasRequested, const std::optional<QString>& lastLine);
    // Marks the run as stopped on request and closes the pipes whose writes
    // have finished; the process ids to signal.
    std::vector<pid_t> requestStop();
    // Under the lock: after a stop request, closes each pipe with no write
    // pending (the last write of a pipe closes it when it finishes).
    static void closeFinishedPipes(Shared& shared);
    // Main thread, every kStopFlushSeconds after a stop: SIGTERM (then
    // SIGKILL after the grace) to those of ids still there once the
    // encoder's frame count has not moved since framesBefore, or once the
    // stop is kStopFlushLimitSeconds old.
    void checkStopFlush(const std::vector<pid_t>& ids, long long framesBefore, double waited);
    // The next of those checks, waited seconds after the stop.
    void scheduleStopCheck(const std::vector<pid_t>& ids, long long frames, double waited);
    // signal to those of ids still published by the run.
    static void signalStill(Shared& shared, const std::vector<pid_t>& ids, int signal);
    // SIGKILL to those of ids still published by the run.
    static void killStill(Shared& shared, const std::vector<pid_t>& ids);
    // killStill after the grace, on a worker, in host time; ends sooner
    // when the run's processes end.
    static void killStillAfterGrace(std::shared_ptr<Shared> shared, std::vector<pid_t> ids);

    // The launch operation, on a background thread for the whole run.
    static void launch(std::shared_ptr<Shared> shared, QPointer<StreamOutput> owner, QString address,
                       QString scheme, StreamFormat format, int bitrate, InterlacedCodec codec, bool hevc);
    static void postFail(const QPointer<StreamOutput>& owner, const QString& message);

    const int id_;
    Settings& settings_;
    Clock& clock_;
    std::shared_ptr<KeychainQueue> keychain_;
    Kind kind_ = Kind::rtmp;
    QString url_;
    bool urlReading_ = true;
    bool urlAssigned_ = false;
    bool urlLocked_ = false;
    bool urlRereading_ = false;
    bool urlNotStored_ = false;
    bool urlRefused_ = false;
    quint64 urlWriteSerial_ = 0; // hand-overs to the keychain so far
    std::unique_ptr<Timer> urlRetryTimer_;
    std::optional<QString> unsavedUrl_;
    std::unique_ptr<Timer> urlSaveTimer_;
    std::optional<StreamFormat> startWaitingForUrl_;
    std::unique_ptr<Timer> urlWaitTimer_;
    int bitrateKbps_ = 4000;
    VideoCodec videoCodec_ = VideoCodec::h265;
    InterlacedCodec interlacedCodec_ = InterlacedCodec::mpeg2;
    Status status_;
    double elapsed_ = 0;
    double measuredKbps_ = 0;
    long long runDroppedFrames_ = 0;
    std::unique_ptr<Timer> elapsedClock_;
    std::optional<double> liveSince_;
    std::vector<std::unique_ptr<Timer>> killTimers_;
    std::shared_ptr<Shared> shared_;
};

} // namespace tessarin
