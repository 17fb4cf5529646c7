#pragma once
// The program's sound output: one device at 48 kHz, float, stereo,
// interleaved. Every source (player items, the live audio player) is pulled
// and mixed in the output's render call. SdlAudioOutput drives the render
// from SDL's callback; NullAudioOutput is rendered by hand (tests, or when
// nothing may sound).
#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

namespace tessarin {

struct AudioRenderContext {
    double hostTime = 0.0; // HostClock seconds when the render began
    double latency = 0.0;  // seconds from the render until its first sample is heard
    std::uint64_t block = 0; // counts the renders of an output from 1: tells one render from the next
};

class AudioSource {
public:
    virtual ~AudioSource() = default;
    // Audio thread: adds (mixes) up to frames stereo frames into mix, which
    // already holds the other sources. Must not block or wait.
    virtual void render(float* mix, int frames, const AudioRenderContext& context) = 0;
};

class AudioOutput {
public:
    static constexpr int kSampleRate = 48000;
    static constexpr int kChannels = 2;

    virtual ~AudioOutput();

    // Any thread. A source is rendered from the next render on; after
    // removeSource returns, it is no longer being rendered.
    void addSource(const std::shared_ptr<AudioSource>& source);
    void removeSource(const AudioSource* source);

    // Main thread: runs change between two renders, so that no render sees
    // a part of it (one source stopping and another starting at the same
    // sample). change must be short and must not add or remove sources.
    void betweenRenders(const std::function<void()>& change);

    // Frames of the render block (the device's buffer size).
    virtual int bufferFrames() const = 0;
    // Seconds from a render until its first sample is heard.
    virtual double latency() const = 0;
    // Frames rendered since creation; any thread.
    std::uint64_t framesRendered() const { return rendered_.load(std::memory_order_relaxed); }

protected:
    AudioOutput() = default;
    // Fills out (frames × 2 floats) with the mix of every source.
    void renderMix(float* out, int frames);
    // The same, for a caller that already holds the render lock.
    void renderMixLocked(float* out, int frames);
    // Guard of the source list against the render (the device lock).
    virtual void lockRender() = 0;
    virtual void unlockRender() = 0;
    // Whether the device asks for blocks unevenly while it plays them back
    // to back (a sound server that holds several): each block is then heard
    // right after the one before it, not one latency() after its render.
    virtual bool playsBackToBack() const { return false; }

private:
    std::vector<std::shared_ptr<AudioSource>> sources_; // touched only under the render lock
    std::atomic<std::uint64_t> rendered_ { 0 };
    std::uint64_t blocks_ = 0; // touched only under the render lock
    double heardEnd_ = 0.0;    // under the render lock: when the last block rendered ends being heard
};

// One SDL2 audio device. When the chosen driver opens no device, SDL's
// "dummy" driver is used instead, which paces the callback in real time.
// The callback's thread of a real device is made real-time where the
// system allows it (see RealtimeScheduling.h), asked from a thread of the
// output's own once the first callback has named it.
class SdlAudioOutput final : public AudioOutput {
public:
    // The device's block, chosen for continuity rather than the least
    // latency: beside other busy programs the callback may come tens of
    // milliseconds late, and the device must still hold sound to play. The
    // latency it adds is reported by latency(), which delays the pictures
    // by as much, so they stay with the sound.
    static constexpr int kContinuityFrames = 2048;
    // How far ahead of what is heard a sound server holds the program's
    // sound (PulseAudio's own buffer: its stream and its sink together),
    // apart from the block: its threads that carry the sound from us to the
    // device run at an ordinary priority beside every busy process, and a
    // server that holds one block only has no more than a few milliseconds
    // to fetch the next one. 200 ms covers them being held up for about
    // 150 ms. The user's PULSE_LATENCY_MSEC, when set, is kept instead.
    static constexpr int kServerBufferMsec = 200;
    // Puts kServerBufferMsec in the environment libpulse reads, unless the
    // user set one; once. setenv races any thread reading the environment,
    // so the program calls it first thing in main(), before any thread;
    // open() calls it too, for the programs that do not (tests, benches).
    static void prepareServerBuffer();

    struct Options {
        QString driver;                        // SDL driver name; empty: SDL_AUDIODRIVER or SDL's choice
        int bufferFrames = kContinuityFrames;  // callback block
    };
    explicit SdlAudioOutput(const Options& options);
    SdlAudioOutput();
    ~SdlAudioOutput() override;

    // The machine's default output, opened on first use and kept for the
    // life of the process; every player and the live audio player share it.
    static std::shared_ptr<SdlAudioOutput> shared();

    bool isOpen() const { return device_ != 0; }
    // Stops and closes the device: no render follows (the destructor does
    // it too).
    void close();
    // The SDL driver actually in use ("pulseaudio", "alsa", "dummy", "disk").
    QString driverName() const { return driver_; }
    int bufferFrames() const override { return bufferFrames_; }
    double latency() const override;
    // What the sound server was asked to hold, in milliseconds (0: no
    // server, or one block).
    int serverBufferMsec() const { return serverBufferMsec_; }
    // The delay from a render until its first sample is heard on a driver
    // whose device (or server) holds serverBufferMsec (0: one block) for a
    // block of blockFrames: a block is handed over once there is room for
    // it, so what is already held before it is heard first.
    static double latencyOf(const QString& driver, int blockFrames, int serverBufferMsec);
    // The server's buffer asked for: PULSE_LATENCY_MSEC as the user set it
    // (a whole number of milliseconds), else kServerBufferMsec.
    static int serverBufferOf(const char* requested);
    // Whether the callback's thread runs real-time: 0 not (yet), 1 set by
    // the kernel, 2 granted by RealtimeKit (for measurements).
    int realtimeGrant() const { return realtime_.load(std::memory_order_relaxed); }

protected:
    void lockRender() override;
    void unlockRender() override;
    bool playsBackToBack() const override { return serverBufferMsec_ > 0; }

private:
    static void callback(void* self, std::uint8_t* stream, int bytes);
    bool open(const QString& driver, int bufferFrames);
    // Asks for real-time scheduling of the callback's thread once it is known.
    void requestRealtime();
    void stopRealtimeRequest();

    std::uint32_t device_ = 0;
    std::atomic<int> callbackThread_ { 0 }; // its kernel id once known; -1: closed first
    bool callbackNamed_ = false;             // the callback's thread only
    std::atomic<int> realtime_ { 0 };
    std::thread realtimeRequest_;
    QString driver_;
    int bufferFrames_ = 512;
    int serverBufferMsec_ = 0; // what the sound server was asked to hold (0: one block)
};

// An output without a device: render() is called by its owner.
class NullAudioOutput final : public AudioOutput {
public:
    explicit NullAudioOutput(int bufferFrames = 512) : bufferFrames_(bufferFrames) { }
    int bufferFrames() const override { return bufferFrames_; }
    double latency() const override { return 0.0; }
    // Renders frames of the mix into out (frames × 2 floats).
    void render(float* out, int frames) { renderMix(out, frames); }

protected:
    void lockRender() override;
    void unlockRender() override;

private:
    int bufferFrames_;
    std::atomic_flag busy_ = ATOMIC_FLAG_INIT;
};

} // namespace tessarin
