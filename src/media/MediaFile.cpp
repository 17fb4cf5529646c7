#include "media/MediaFile.h"

#include "platform/FileKind.h"

#include <algorithm>
#include <cmath>

namespace tessarin {

std::shared_ptr<MediaFile> MediaFile::create(const QUrl& url)
{
    auto item = std::make_shared<MediaFile>(Key{}, url, std::nullopt);
    item->startAnalysis();
    return item;
}

std::shared_ptr<MediaFile> MediaFile::create(const LiveSource& source)
{
    const QUrl url(QStringLiteral("live://") + LiveSourceKinds::rawValue(source.kind));
    return std::make_shared<MediaFile>(Key{}, url, source);
}

MediaFile::MediaFile(Key, QUrl url, std::optional<LiveSource> source)
    : url_(std::move(url)), liveSource_(std::move(source))
{
    if (liveSource_)
        return;
    const FileKind kind = fileKind(url_.toLocalFile().isEmpty() ? url_.path() : url_.toLocalFile());
    isImage_ = kind == FileKind::image;
    isAudioOnly_ = !isImage_ && kind == FileKind::audio;
}

MediaFile::~MediaFile() = default;

float MediaFile::gainLinear() const
{
    if (gainDB_ <= -40.0)
        return 0.0f;
    return static_cast<float>(std::pow(10.0, gainDB_ / 20.0));
}

float MediaFile::normalizationGain(float peak)
{
    if (peak > 0.0001f)
        return std::min(0.95f / peak, 4.0f);
    return 1.0f;
}

#define TESSARIN_PUBLISH(member, signal) \
    member = value;                      \
    emit signal();                       \
    emit changed()

void MediaFile::setLoop(bool value) { TESSARIN_PUBLISH(loop_, loopChanged); }
void MediaFile::setIsMuted(bool value) { TESSARIN_PUBLISH(isMuted_, isMutedChanged); }
void MediaFile::setGainDB(double value) { TESSARIN_PUBLISH(gainDB_, gainDBChanged); }
void MediaFile::setThumbnail(const QImage& value) { TESSARIN_PUBLISH(thumbnail_, thumbnailChanged); }
void MediaFile::setDuration(double value) { TESSARIN_PUBLISH(duration_, durationChanged); }
void MediaFile::setInPoint(double value) { TESSARIN_PUBLISH(inPoint_, inPointChanged); }
void MediaFile::setOutPoint(std::optional<double> value) { TESSARIN_PUBLISH(outPoint_, outPointChanged); }
void MediaFile::setWaveform(std::optional<std::vector<float>> value) { TESSARIN_PUBLISH(waveform_, waveformChanged); }
void MediaFile::setNormalizationGain(float value) { TESSARIN_PUBLISH(normalizationGain_, normalizationGainChanged); }
void MediaFile::setPlayableURL(const QUrl& value) { TESSARIN_PUBLISH(playableURL_, playableURLChanged); }

#undef TESSARIN_PUBLISH

void MediaFile::setImageDuration(double value)
{
    imageDuration_ = value;
    emit imageDurationChanged();
    emit changed();
    if (isImage_)
        renderImageClip();
}

void MediaFile::startAnalysis()
{
    // Thumbnail, waveform, duration and clip requests are added with the caches.
}

void MediaFile::renderImageClip()
{
    setPlayableURL(QUrl());
}

} // namespace tessarin
