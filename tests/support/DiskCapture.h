#pragma once
// Helpers of the player tests: an SDL output on the "disk" driver whose file
// holds exactly what was mixed, and readers of that file and of frames.
#include "platform/player/AudioOutput.h"
#include "platform/player/VideoFrame.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstring>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

namespace tessarin::test {

class DiskCapture {
public:
    explicit DiskCapture(int bufferFrames = 512)
    {
        path_ = dir_.filePath(QStringLiteral("mix.raw"));
        qputenv("SDL_DISKAUDIOFILE", path_.toUtf8());
        output_ = std::make_shared<SdlAudioOutput>(SdlAudioOutput::Options { QStringLiteral("disk"), bufferFrames });
    }

    std::shared_ptr<SdlAudioOutput> output() const { return output_; }
    bool isDisk() const { return output_->driverName() == QLatin1String("disk"); }

    // Closes the device and returns every sample written (interleaved stereo).
    // Whoever else held the output must have let it go, or the file's tail
    // would still be in the device's buffer.
    std::vector<float> finish()
    {
        if (output_.use_count() != 1)
            return {};
        output_->close();
        const std::uint64_t rendered = output_->framesRendered();
        output_.reset();
        std::vector<float> samples;
        QFile file(path_);
        if (!file.open(QIODevice::ReadOnly))
            return samples;
        const QByteArray bytes = file.readAll();
        samples.resize(static_cast<std::size_t>(bytes.size()) / sizeof(float));
        std::memcpy(samples.data(), bytes.constData(), samples.size() * sizeof(float));
        const auto frames = static_cast<std::uint64_t>(samples.size() / 2);
        leadingSilence_ = frames > rendered ? static_cast<int>(frames - rendered) : 0;
        return samples;
    }

    // The samples the device has written so far (its last few hundred
    // frames may still be in its buffer); any thread, while it plays.
    std::vector<float> soFar() const
    {
        std::vector<float> samples;
        QFile file(path_);
        if (!file.open(QIODevice::ReadOnly))
            return samples;
        const QByteArray bytes = file.readAll();
        samples.resize(static_cast<std::size_t>(bytes.size()) / sizeof(float) / 2 * 2);
        std::memcpy(samples.data(), bytes.constData(), samples.size() * sizeof(float));
        return samples;
    }

    // Frames SDL wrote before the first render, while the device was still
    // paused (a busy machine may delay the start): the file position of a
    // render is framesRendered() at that render plus this. Known after finish().
    int leadingSilence() const { return leadingSilence_; }

private:
    QTemporaryDir dir_;
    QString path_;
    std::shared_ptr<SdlAudioOutput> output_;
    int leadingSilence_ = 0;
};

// Stereo frames whose both samples equal value.
inline int countFrames(const std::vector<float>& s, float value)
{
    int n = 0;
    for (std::size_t i = 0; i + 1 < s.size(); i += 2)
        if (s[i] == value && s[i + 1] == value)
            ++n;
    return n;
}

inline int firstNonZeroFrame(const std::vector<float>& s)
{
    for (std::size_t i = 0; i < s.size(); ++i)
        if (s[i] != 0.0f)
            return static_cast<int>(i / 2);
    return -1;
}

inline int lastNonZeroFrame(const std::vector<float>& s)
{
    for (std::size_t i = s.size(); i-- > 0;)
        if (s[i] != 0.0f)
            return static_cast<int>(i / 2);
    return -1;
}

} // namespace tessarin::test
