#include "platform/player/AudioOutput.h"

#include "platform/Clock.h"
#include "platform/ProcessEnd.h"
#include "platform/RealtimeScheduling.h"
#include "platform/ThreadName.h"

#include <SDL2/SDL.h>

#include <QByteArray>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include <unistd.h>

namespace tessarin {

AudioOutput::~AudioOutput() = default;

void AudioOutput::addSource(const std::shared_ptr<AudioSource>& source)
{
    if (!source)
        return;
    lockRender();
    if (std::find(sources_.begin(), sources_.end(), source) == sources_.end())
        sources_.push_back(source);
    unlockRender();
}

void AudioOutput::removeSource(const AudioSource* source)
{
    std::shared_ptr<AudioSource> removed; // released after the lock
    lockRender();
    auto it = std::find_if(sources_.begin(), sources_.end(), [source](const auto& s) { return s.get() == source; });
    if (it != sources_.end()) {
        removed = std::move(*it);
        sources_.erase(it);
    }
    unlockRender();
}

void AudioOutput::betweenRenders(const std::function<void()>& change)
{
    lockRender();
    change();
    unlockRender();
}

void AudioOutput::renderMix(float* out, int frames)
{
    lockRender();
    renderMixLocked(out, frames);
    unlockRender();
}

void AudioOutput::renderMixLocked(float* out, int frames)
{
    std::memset(out, 0, sizeof(float) * static_cast<std::size_t>(frames) * kChannels);
    AudioRenderContext context;
    context.hostTime = HostClock::monotonicSeconds();
    context.latency = latency();
    context.block = ++blocks_;
    if (playsBackToBack()) {
        // A server that holds several blocks asks for them as room comes,
        // two at once or one late, and plays them back to back: the block is
        // heard where the one before it ends. The render's time corrects only
        // the drift between the device's clock and the host's, a little at a
        // time, and takes over after a gap (a start, or the device run dry).
        constexpr double kFollowSeconds = 0.1;
        constexpr double kCorrection = 1.0 / 32.0;
        const double expected = context.hostTime + context.latency;
        const double drift = expected - heardEnd_;
        if (std::abs(drift) < kFollowSeconds)
            context.latency = heardEnd_ + drift * kCorrection - context.hostTime;
        heardEnd_ = context.hostTime + context.latency + static_cast<double>(frames) / kSampleRate;
    }
    for (const auto& source : sources_)
        source->render(out, frames, context);
    rendered_.fetch_add(static_cast<std::uint64_t>(frames), std::memory_order_relaxed);
}

// --- SDL ---------------------------------------------------------------

namespace {

std::mutex sdlMutex; // SDL's audio subsystem is process-wide
int sdlUsers = 0;
QString sdlDriver;

bool initSdlAudio(const QString& driver)
{
    std::lock_guard lock(sdlMutex);
    if (sdlUsers > 0) {
        if (!driver.isEmpty() && driver != sdlDriver)
            return false; // another device runs on another driver
        ++sdlUsers;
        return true;
    }
    const QByteArray name = driver.toUtf8();
    if (SDL_AudioInit(driver.isEmpty() ? nullptr : name.constData()) != 0)
        return false;
    sdlDriver = QString::fromUtf8(SDL_GetCurrentAudioDriver());
    sdlUsers = 1;
    return true;
}

void quitSdlAudio()
{
    std::lock_guard lock(sdlMutex);
    if (sdlUsers > 0 && --sdlUsers == 0) {
        SDL_AudioQuit();
        sdlDriver.clear();
    }
}

} // namespace

SdlAudioOutput::SdlAudioOutput()
    : SdlAudioOutput(Options {})
{
}

SdlAudioOutput::SdlAudioOutput(const Options& options)
{
    bufferFrames_ = std::clamp(options.bufferFrames, 64, 8192);
    if (!open(options.driver, bufferFrames_) && options.driver != QLatin1String("dummy"))
        open(QStringLiteral("dummy"), bufferFrames_);
}

SdlAudioOutput::~SdlAudioOutput()
{
    close();
}

void SdlAudioOutput::close()
{
    stopRealtimeRequest();
    if (device_ != 0) {
        SDL_CloseAudioDevice(device_);
        device_ = 0;
        quitSdlAudio();
    }
}

std::shared_ptr<SdlAudioOutput> SdlAudioOutput::shared()
{
    static std::shared_ptr<SdlAudioOutput> output = [] {
        auto made = std::make_shared<SdlAudioOutput>();
        // Its device thread renders the sources: closed, and so joined, at
        // the end of the process before static objects go.
        ProcessEnd::addStep("sound device closed", [made] { made->close(); });
        return made;
    }();
    return output;
}

void SdlAudioOutput::prepareServerBuffer()
{
    static std::once_flag once;
    std::call_once(once, [] { setenv("PULSE_LATENCY_MSEC", QByteArray::number(kServerBufferMsec).constData(), 0); });
}

bool SdlAudioOutput::open(const QString& driver, int bufferFrames)
{
    if (!initSdlAudio(driver))
        return false;
    // SDL asks PulseAudio to hold one block only; libpulse takes the
    // buffer a program wants from its environment, read when the stream
    // is made.
    serverBufferMsec_ = 0;
    prepareServerBuffer();
    if (QString::fromUtf8(SDL_GetCurrentAudioDriver()) == QLatin1String("pulseaudio")) {
        serverBufferMsec_ = serverBufferOf(std::getenv("PULSE_LATENCY_MSEC"));
    }
    SDL_AudioSpec want {};
    want.freq = kSampleRate;
    want.format = AUDIO_F32SYS;
    want.channels = kChannels;
    want.samples = static_cast<Uint16>(bufferFrames);
    want.callback = &SdlAudioOutput::callback;
    want.userdata = this;
    SDL_AudioSpec have {};
    const SDL_AudioDeviceID id = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (id == 0) {
        quitSdlAudio();
        return false;
    }
    device_ = id;
    bufferFrames_ = have.samples > 0 ? have.samples : bufferFrames;
    driver_ = QString::fromUtf8(SDL_GetCurrentAudioDriver());
    SDL_PauseAudioDevice(device_, 0);
    // The dummy and disk drivers feed no device: nothing runs dry there.
    if (driver_ != QLatin1String("dummy") && driver_ != QLatin1String("disk"))
        requestRealtime();
    return true;
}

void SdlAudioOutput::requestRealtime()
{
    realtimeRequest_ = std::thread([this] {
        setCurrentThreadName("Vellumcast.SoundPriority");
        int tid = 0;
        while ((tid = callbackThread_.load(std::memory_order_acquire)) == 0)
            callbackThread_.wait(0, std::memory_order_acquire);
        if (tid <= 0)
            return; // closed before the first callback
        const RealtimeGrant grant = makeThreadRealtime(tid);
        realtime_.store(grant == RealtimeGrant::kernel ? 1 : grant == RealtimeGrant::rtkit ? 2 : 0,
                        std::memory_order_relaxed);
    });
}

void SdlAudioOutput::stopRealtimeRequest()
{
    if (!realtimeRequest_.joinable())
        return;
    int expected = 0;
    if (callbackThread_.compare_exchange_strong(expected, -1, std::memory_order_acq_rel))
        callbackThread_.notify_all();
    realtimeRequest_.join();
}

double SdlAudioOutput::latency() const
{
    return latencyOf(driver_, bufferFrames_, serverBufferMsec_);
}

double SdlAudioOutput::latencyOf(const QString& driver, int blockFrames, int serverBufferMsec)
{
    // SDL reports no device delay. The dummy and disk drivers "play" a block
    // as soon as it is made. A device that holds one block more (ALSA's two
    // periods) plays the one before while this one is filled: one block.
    if (driver == QLatin1String("dummy") || driver == QLatin1String("disk"))
        return 0.0;
    const double block = static_cast<double>(blockFrames) / kSampleRate;
    return std::max(block, serverBufferMsec / 1000.0 - block);
}

int SdlAudioOutput::serverBufferOf(const char* requested)
{
    bool ok = false;
    const int msec = requested ? QByteArray(requested).trimmed().toInt(&ok) : 0;
    return ok && msec > 0 ? msec : kServerBufferMsec;
}

void SdlAudioOutput::callback(void* self, std::uint8_t* stream, int bytes)
{
    auto* output = static_cast<SdlAudioOutput*>(self);
    if (!output->callbackNamed_) {
        // Once: the thread that asks for real-time scheduling waits for it.
        output->callbackNamed_ = true;
        int expected = 0;
        if (output->callbackThread_.compare_exchange_strong(expected, static_cast<int>(gettid()),
                                                           std::memory_order_acq_rel))
            output->callbackThread_.notify_all();
    }
    const int frames = bytes / static_cast<int>(sizeof(float) * kChannels);
    // SDL calls us holding the device lock, which is the render lock.
    output->renderMixLocked(reinterpret_cast<float*>(stream), frames);
}

void SdlAudioOutput::lockRender()
{
    if (device_ != 0)
        SDL_LockAudioDevice(device_);
}

void SdlAudioOutput::unlockRender()
{
    if (device_ != 0)
        SDL_UnlockAudioDevice(device_);
}

// --- null --------------------------------------------------------------

void NullAudioOutput::lockRender()
{
    while (busy_.test_and_set(std::memory_order_acquire))
        busy_.wait(true, std::memory_order_relaxed);
}

void NullAudioOutput::unlockRender()
{
    busy_.clear(std::memory_order_release);
    busy_.notify_one();
}

} // namespace tessarin
