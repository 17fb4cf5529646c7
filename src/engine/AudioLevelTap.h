#pragma once
// The processing step in a program player's audio: ramps the item's gain
// across each buffer, measures the left and right peaks after the gain and
// writes the buffer to the program audio bus while a stream runs, all
// without a lock, a wait or an allocation. The peaks gather in atomics until
// the main thread publishes them (publish(), on the engine's clock), where
// they become the published levels with an instant rise and a fixed fall.
// The engine's `levelMeter` publishes; its `secondTap` gathers its peaks into
// `levelMeter`'s instead.
#include "platform/player/AudioTap.h"

#include <QObject>

#include <atomic>
#include <memory>
#include <optional>

namespace tessarin {

class PlayerItem;
class ProgramAudioBus;

class AudioLevelTap final : public QObject,
                            public AudioTap,
                            public std::enable_shared_from_this<AudioLevelTap> {
    Q_OBJECT
public:
    AudioLevelTap() = default;

    // Main thread: the published levels, 0 to 1.
    float left() const { return left_; }
    float right() const { return right_; }

    // Written by the engine on the main thread, read once per buffer on the
    // audio thread.
    std::atomic<float> gain { 1.0f };
    // Wiring, set on the main thread before any audio runs.
    std::shared_ptr<ProgramAudioBus> audioBus;
    int busSource = 0;
    std::weak_ptr<AudioLevelTap> meter;

    // Main thread: the audio mix for an item to be played at volume; nothing
    // when the item is known to have no audio track. Sets gain and the applied
    // gain to volume, so the item starts at its gain without a ramp.
    std::optional<AudioMix> makeAudioMix(const std::shared_ptr<PlayerItem>& item, float volume);

    // Any thread, never blocks: gathers peaks for the next publish (the
    // loudest of those gathered counts).
    void pushExternal(float left, float right);
    // Main thread: applies the peaks gathered since the last publish, if any.
    void publish();
    // Main thread: instant attack, a fall to 0.75 of the level per update.
    void applyBallistics(float left, float right);
    // Any thread: forgets the peaks gathered and schedules both levels to 0
    // on the main thread.
    void reset();

    // AudioTap (audio thread).
    void prepare(const AudioFormat& format, int maxFrames) override;
    void process(AudioBufferList& buffers) override;

    // Audio thread: the format announced by prepare (for tests).
    std::optional<AudioFormat> tapFormat() const { return tapFormat_; }

signals:
    void leftChanged();
    void rightChanged();
    void changed();

private:
    void forwardToBus(const AudioBufferList& buffers);
    static void raise(std::atomic<float>& peak, float value);
    void setLeft(float value);
    void setRight(float value);

    float left_ = 0.0f;
    float right_ = 0.0f;
    std::atomic<float> appliedGain_ { 1.0f }; // audio thread, but makeAudioMix sets it
    std::optional<AudioFormat> tapFormat_;     // audio thread
    // The loudest peaks since the last publish (any thread); gathered is
    // set with them.
    std::atomic<float> peakLeft_ { 0.0f };
    std::atomic<float> peakRight_ { 0.0f };
    std::atomic<bool> gathered_ { false };
};

} // namespace tessarin
