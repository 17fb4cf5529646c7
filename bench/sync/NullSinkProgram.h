#pragma once
// The program of the sound benchmarks: a private PulseAudio server with a
// null sink (which plays at the pace of the wall clock), the SDL device on
// it, and an engine on real players that plays a looping block through it.
#include "streaming/SyncClip.h"

#include "engine/PlaylistEngine.h"
#include "platform/Settings.h"
#include "platform/player/AudioOutput.h"
#include "platform/player/FfmpegMediaPlayer.h"
#include "streaming/SecretStore.h"

#include <QTemporaryDir>
#include <QUuid>

#include <cstdio>
#include <memory>

namespace tessarin::bench {

struct NullSinkProgram {
    // blockFrames 0: the device's own block.
    NullSinkProgram(const QTemporaryDir& dir, int blockFrames = 0)
        : pulse(dir.filePath("pulse"))
    {
        if (!pulse.ready()) {
            std::fprintf(stderr, "no PulseAudio server could start (apt install pulseaudio)\n");
            return;
        }
        SdlAudioOutput::Options options { QStringLiteral("pulseaudio") };
        if (blockFrames > 0)
            options.bufferFrames = blockFrames;
        device = std::make_shared<SdlAudioOutput>(options);
        if (device->driverName() != QLatin1String("pulseaudio")) {
            std::fprintf(stderr, "SDL did not open the PulseAudio sink\n");
            return;
        }
        SecretStore::overrideServiceForTesting("bench." + QUuid::createUuid().toString(QUuid::WithoutBraces));
        settings = std::make_unique<Settings>(dir.filePath("settings.ini"));
        auto output = device;
        engine = std::make_unique<PlaylistEngine>(HostClock::shared(), *settings,
            [output] { return std::make_shared<FfmpegMediaPlayer>(output, HostClock::shared()); }, output);
        engine->setTransitionStyle(TransitionStyle::cut);
    }

    bool ready() const { return engine != nullptr; }

    // A looping block of count copies of clip (each `seconds` long), set on the engine.
    std::shared_ptr<MediaBlock> loop(const QString& clip, int count, double seconds)
    {
        auto block = test::syncBlock(clip, count, seconds);
        block->setLoop(true);
        engine->setBlocks({ block });
        return block;
    }

    test::PulseNullSink pulse;
    std::shared_ptr<SdlAudioOutput> device;
    std::unique_ptr<Settings> settings;
    std::unique_ptr<PlaylistEngine> engine; // last: gone first
};

} // namespace tessarin::bench
