#include "media/MediaFile.h"

#include "media/DurationProbe.h"
#include "media/FileUses.h"
#include "media/ImageClipRenderer.h"
#include "media/ShowRevision.h"
#include "media/ThumbnailCache.h"
#include "media/WaveformCache.h"
#include "platform/FileKind.h"
#include "platform/MainThread.h"
#include "platform/StillImage.h"
#include "platform/Workers.h"

#include <QCoreApplication>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <thread>

namespace tessarin {

std::shared_ptr<MediaFile> MediaFile::create(const QUrl& url, std::optional<double> imageDuration)
{
    auto item = std::make_shared<MediaFile>(Key{}, url, std::nullopt);
    if (imageDuration && item->isImage_)
        item->imageDuration_ = imageDurationRange.clamp(*imageDuration, defaultImageDuration);
    item->startAnalysis();
    return item;
}

std::shared_ptr<MediaFile> MediaFile::create(const LiveSource& source)
{
    const QUrl url(QStringLiteral("live://") + LiveSourceKinds::rawValue(source.kind));
    return std::make_shared<MediaFile>(Key{}, url, source);
}

MediaFile::MediaFile(Key, QUrl url, std::optional<LiveSource> source)
    : url_(std::move(url))
    , path_(url_.isLocalFile() ? url_.toLocalFile() : url_.path())
    , liveSource_(std::move(source))
{
    if (liveSource_)
        return;
    FileUses::use(url_); // its thumbnail and waveform stay cached while it lives
    const FileKind kind = fileKind(url_.toLocalFile().isEmpty() ? url_.path() : url_.toLocalFile());
    isImage_ = kind == FileKind::image;
    isAudioOnly_ = !isImage_ && kind == FileKind::audio;
}

MediaFile::~MediaFile()
{
    if (!liveSource_)
        FileUses::release(url_);
}

float MediaFile::gainLinear() const
{
    // The show loader keeps gainDB within the slider's range; the guards
    // keep any other writer's value from reaching the mix as a factor that
    // does not fit a float (10^(1000/20)), or as no number.
    if (std::isnan(gainDB_))
        return 1.0f;
    if (gainDB_ <= gainDBRange.lower)
        return 0.0f;
    return static_cast<float>(std::pow(10.0, std::min(gainDB_, gainDBRange.upper) / 20.0));
}

MediaFile::Trim MediaFile::fittedTrim() const
{
    const double d = duration_;
    if (!(d > 0.0) || !std::isfinite(d))
        return { inPoint_, outPoint_ };
    const double end = std::min(outPoint_.value_or(d), d);
    Trim fitted;
    fitted.inPoint = std::clamp(std::isnan(inPoint_) ? 0.0 : inPoint_, 0.0, std::max(end - minimumPlayLength, 0.0));
    if (outPoint_)
        fitted.outPoint = std::max(fitted.inPoint + minimumPlayLength, std::min(*outPoint_, d));
    return fitted;
}

void MediaFile::fitTrimToDuration()
{
    const Trim fitted = fittedTrim();
    if (fitted.inPoint != inPoint_)
        setInPoint(fitted.inPoint);
    if (fitted.outPoint != outPoint_)
        setOutPoint(fitted.outPoint);
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

void MediaFile::setThumbnail(const PackedPicture& value) { TESSARIN_PUBLISH(thumbnail_, thumbnailChanged); }
void MediaFile::setDuration(double value) { TESSARIN_PUBLISH(duration_, durationChanged); }
void MediaFile::setWaveform(std::optional<std::vector<float>> value) { TESSARIN_PUBLISH(waveform_, waveformChanged); }
void MediaFile::setNormalizationGain(float value) { TESSARIN_PUBLISH(normalizationGain_, normalizationGainChanged); }
void MediaFile::setPlayableURL(const QUrl& value) { TESSARIN_PUBLISH(playableURL_, playableURLChanged); }
void MediaFile::setPlaybackError(const QString& value) { TESSARIN_PUBLISH(playbackError_, playbackErrorChanged); }

// The same for a value that a show saves.
#define TESSARIN_PUBLISH_SAVED(member, signal)             \
    ShowRevision::advanceIfChanging(*this, member, value); \
    TESSARIN_PUBLISH(member, signal)

void MediaFile::setLoop(bool value) { TESSARIN_PUBLISH_SAVED(loop_, loopChanged); }
void MediaFile::setIsMuted(bool value) { TESSARIN_PUBLISH_SAVED(isMuted_, isMutedChanged); }
void MediaFile::setGainDB(double value) { TESSARIN_PUBLISH_SAVED(gainDB_, gainDBChanged); }
void MediaFile::setInPoint(double value) { TESSARIN_PUBLISH_SAVED(inPoint_, inPointChanged); }
void MediaFile::setOutPoint(std::optional<double> value) { TESSARIN_PUBLISH_SAVED(outPoint_, outPointChanged); }

#undef TESSARIN_PUBLISH_SAVED
#undef TESSARIN_PUBLISH

void MediaFile::setImageDuration(double value)
{
    ShowRevision::advanceIfChanging(*this, imageDuration_, value);
    imageDuration_ = value;
    emit imageDurationChanged();
    emit changed();
    if (isImage_)
        renderImageClip();
}

namespace {

// A still image's thumbnail: the whole picture stretched into 160 x 90
// (the aspect ratio is not kept). Null when the file is no picture.
QImage stretchedThumbnail(const QUrl& url)
{
    if (!url.isLocalFile())
        return {};
    // Decoded at a bounded size: a large photo need not be held whole.
    const QImage source = StillImage::read(url.toLocalFile(), QSize(1024, 1024));
    if (source.isNull())
        return {};
    QImage thumbnail(ThumbnailCache::maxWidth, ThumbnailCache::maxHeight, QImage::Format_ARGB32_Premultiplied);
    thumbnail.fill(Qt::transparent);
    QPainter painter(&thumbnail);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(thumbnail.rect(), source);
    return thumbnail;
}

} // namespace

QString MediaFile::noPlayableTracksText()
{
    return QCoreApplication::translate("MediaPlayer", "nessuna traccia audio o video riproducibile");
}

void MediaFile::startAnalysis()
{
    std::weak_ptr<MediaFile> weak = weak_from_this();
    if (isImage_) {
        DurationProbe::probePool().asyncSoon([url = url_, weak] {
            if (weak.expired())
                return; // the item is gone already
            Workers::lowerThreadPriority();
            PackedPicture thumbnail = PackedPicture::pack(stretchedThumbnail(url));
            postToMain([weak, thumbnail = std::move(thumbnail)] {
                if (auto item = weak.lock())
                    item->setThumbnail(thumbnail);
            });
        }, Workers::AtEnd::drop);
        renderImageClip();
        return;
    }

    setPlayableURL(url_);
    ThumbnailCache::thumbnail(url_, [weak](const PackedPicture& thumbnail) {
        if (auto item = weak.lock())
            item->setThumbnail(thumbnail);
    });
    WaveformCache::analyze(url_, 240, [weak](const std::optional<WaveformCache::Analysis>& analysis) {
        auto item = weak.lock();
        if (!item || !analysis)
            return;
        item->setWaveform(analysis->waveform);
        item->setNormalizationGain(normalizationGain(analysis->peak));
    });
    DurationProbe::probe(url_, [weak](const DurationProbe::Result& probed) {
        auto item = weak.lock();
        if (!item)
            return;
        item->setDuration(std::isfinite(probed.seconds) ? probed.seconds : 0.0);
        if (!probed.playable)
            item->setPlaybackError(probed.error.isEmpty() ? noPlayableTracksText() : probed.error);
    });
}

void MediaFile::renderImageClip()
{
    setPlayableURL(QUrl());
    const double requested = imageDuration_;
    std::weak_ptr<MediaFile> weak = weak_from_this();
    // Assigned over, the request of the duration before is withdrawn (after
    // this one joined the render, when both ask for the same clip).
    clipRequest_ = ImageClipRenderer::requestClip(url_, requested, [weak, requested](const QUrl& clip) {
        auto item = weak.lock();
        // A later assignment of imageDuration has started its own render.
        if (!item || item->imageDuration() != requested)
            return;
        item->setPlayableURL(clip);
        item->setDuration(clip.isEmpty() ? 0.0 : requested);
    });
}

} // namespace tessarin
