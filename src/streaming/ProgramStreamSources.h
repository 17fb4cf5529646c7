#pragma once
// The program as the stream pipeline pulls it: the engine's composed
// picture (a ProgramRenderer whose render state follows the engine and its
// overlay layers while the source lives) and the engine's program audio
// bus. ProgramStreaming wires both into the application's StreamManager.
#include "streaming/StreamManager.h"
#include "streaming/StreamSources.h"

#include <QPointer>

#include <memory>

namespace tessarin {

class PlaylistEngine;
class ProgramAudioBus;
class ProgramRenderer;

class ProgramFrameSource final : public StreamFrameSource {
public:
    // Main thread: a renderer on the engine's program, with the render state
    // captured now and again after every change of the engine or of one of
    // its overlay layers. The engine must outlive the source.
    ProgramFrameSource(PlaylistEngine& engine, int width, int height, double lookahead,
                       Clock& clock = HostClock::shared());
    // Any thread (the render thread may hold the last reference).
    ~ProgramFrameSource() override;

    // Render thread.
    StreamFramePtr nextFrame() override;
    ProgramRenderer& renderer() { return *renderer_; }

private:
    std::shared_ptr<ProgramRenderer> renderer_;
    // Main-thread object the change connections live on; deleted on the
    // main thread whoever drops the source.
    QPointer<QObject> feed_;
};

// The engine's bus as the pipeline's audio: pulls go straight to the bus
// (by time); switching streaming on or off enables or disables the bus,
// which empties its rings and forgets their timing.
class ProgramAudioSource final : public StreamAudioSource {
public:
    explicit ProgramAudioSource(std::weak_ptr<ProgramAudioBus> bus);
    // Audio thread: silence once the bus is gone.
    std::vector<float> pull(int frames, double time) override;
    void setStreaming(bool on) override;

private:
    std::weak_ptr<ProgramAudioBus> bus_;
};

// The application's streaming: a StreamManager whose pipeline renders the
// engine's program and pulls the engine's audio. Main thread.
struct ProgramStreaming {
    std::shared_ptr<ProgramAudioSource> audio; // held weakly by the manager
    std::unique_ptr<StreamManager> manager;

    // The renderers see the engine while it exists (none is made once it
    // is gone).
    static ProgramStreaming create(Settings& settings, PlaylistEngine& engine, Clock& clock = HostClock::shared());
};

} // namespace tessarin
