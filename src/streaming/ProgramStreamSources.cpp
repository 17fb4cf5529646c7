#include "streaming/ProgramStreamSources.h"

#include "engine/PlaylistEngine.h"
#include "engine/ProgramAudioBus.h"
#include "engine/ProgramRenderer.h"
#include "engine/RenderState.h"
#include "platform/MainThread.h"

namespace tessarin {

ProgramFrameSource::ProgramFrameSource(PlaylistEngine& engine, int width, int height, double lookahead,
                                       Clock& clock)
    : renderer_(std::make_shared<ProgramRenderer>(ProgramSources::of(engine), width, height, lookahead, clock))
    , feed_(new QObject)
{
    renderer_->setState(RenderState::capture(engine));
    QPointer<PlaylistEngine> weakEngine(&engine);
    std::weak_ptr<ProgramRenderer> weakRenderer = renderer_;
    auto recapture = [weakEngine, weakRenderer] {
        auto renderer = weakRenderer.lock();
        if (weakEngine && renderer)
            renderer->setState(RenderState::capture(*weakEngine));
    };
    QObject::connect(&engine, &PlaylistEngine::changed, feed_, recapture);
    // The layers present now; the engine never changes its list.
    for (const auto& layer : engine.overlays().layers())
        QObject::connect(layer.get(), &OverlayLayer::changed, feed_, recapture);
}

ProgramFrameSource::~ProgramFrameSource()
{
    if (!feed_)
        return;
    if (isMainThread())
        delete feed_.data();
    else
        feed_->deleteLater(); // runs on the main thread, which owns it
}

StreamFramePtr ProgramFrameSource::nextFrame()
{
    return renderer_->nextFrame();
}

ProgramAudioSource::ProgramAudioSource(std::weak_ptr<ProgramAudioBus> bus)
    : bus_(std::move(bus))
{
}

std::vector<float> ProgramAudioSource::pull(int frames, double time)
{
    if (auto bus = bus_.lock())
        return bus->pull(frames, time);
    return std::vector<float>(size_t(std::max(frames, 0)) * 2, 0.0f);
}

void ProgramAudioSource::setStreaming(bool on)
{
    if (auto bus = bus_.lock())
        bus->setEnabled(on);
}

ProgramStreaming ProgramStreaming::create(Settings& settings, PlaylistEngine& engine, Clock& clock)
{
    ProgramStreaming s;
    s.audio = std::make_shared<ProgramAudioSource>(engine.programAudio());
    QPointer<PlaylistEngine> weakEngine(&engine);
    Clock* renderClock = &clock;
    auto frames = [weakEngine, renderClock](int width, int height, double lookahead)
        -> std::shared_ptr<StreamFrameSource> {
        if (!weakEngine)
            return nullptr;
        return std::make_shared<ProgramFrameSource>(*weakEngine, width, height, lookahead, *renderClock);
    };
    s.manager = std::make_unique<StreamManager>(settings, std::move(frames), s.audio, clock);
    return s;
}

} // namespace tessarin
