#include "engine/OverlayLayer.h"

#include "media/ShowRevision.h"
#include "media/ThumbnailCache.h"
#include "platform/Clock.h"
#include "platform/MainThread.h"
#include "platform/StillImage.h"
#include "platform/Workers.h"
#include "platform/player/MediaPlayer.h"
#include "platform/player/PlayerItem.h"

#include <QFileInfo>
#include <QMimeDatabase>

namespace tessarin {
namespace {

// A hidden video keeps running while the views fade the layer out.
constexpr double kPauseAfterHide = 0.4;

enum class LayerKind { none, image, movie };

LayerKind kindOf(const QUrl& url)
{
    const QString name = url.isLocalFile() ? url.toLocalFile() : url.path();
    const QString suffix = QFileInfo(name).suffix();
    if (suffix.isEmpty())
        return LayerKind::none;
    static const QMimeDatabase db;
    const QMimeType type = db.mimeTypeForFile(name, QMimeDatabase::MatchExtension);
    if (!type.isValid() || type.isDefault())
        return LayerKind::none;
    const auto conforms = [&](const QString& prefix) {
        if (type.name().startsWith(prefix))
            return true;
        for (const QString& parent : type.allAncestors()) {
            if (parent.startsWith(prefix))
                return true;
        }
        return false;
    };
    if (conforms(QStringLiteral("image/")))
        return LayerKind::image;
    if (conforms(QStringLiteral("video/")))
        return LayerKind::movie;
    return LayerKind::none;
}

} // namespace

std::shared_ptr<OverlayLayer> OverlayLayer::create(const QString& title, Clock& clock, PlayerFactory makePlayer)
{
    return std::shared_ptr<OverlayLayer>(new OverlayLayer(title, clock, std::move(makePlayer)));
}

OverlayLayer::OverlayLayer(const QString& title, Clock& clock, PlayerFactory makePlayer)
    : clock_(clock)
    , makePlayer_(std::move(makePlayer))
    , id_(QUuid::createUuid())
    , title_(title)
{
}

OverlayLayer::~OverlayLayer() = default;

bool OverlayLayer::canLoad(const QUrl& url)
{
    return kindOf(url) != LayerKind::none;
}

std::optional<QString> OverlayLayer::fileName() const
{
    if (url_.isEmpty())
        return std::nullopt;
    return QFileInfo(url_.isLocalFile() ? url_.toLocalFile() : url_.path()).fileName();
}

void OverlayLayer::setUrl(const QUrl& url)
{
    ShowRevision::advanceIfChanging(url_, url);
    url_ = url;
    emit urlChanged();
    emit changed();
}

void OverlayLayer::setImage(const QImage& image)
{
    image_ = image;
    emit imageChanged();
    emit changed();
}

void OverlayLayer::setThumbnail(const QImage& image)
{
    thumbnail_ = image;
    emit thumbnailChanged();
    emit changed();
}

void OverlayLayer::setPlayer(std::shared_ptr<MediaPlayer> player)
{
    player_ = std::move(player);
    emit playerChanged();
    emit changed();
}

void OverlayLayer::setIsVisible(bool visible)
{
    const bool changedValue = visible != isVisible_;
    isVisible_ = visible;
    emit isVisibleChanged();
    emit changed();
    if (changedValue)
        visibilityStep();
}

void OverlayLayer::setOpacity(double value)
{
    ShowRevision::advanceIfChanging(opacity_, value);
    opacity_ = value;
    emit opacityChanged();
    emit changed();
}

void OverlayLayer::setScale(double value)
{
    ShowRevision::advanceIfChanging(scale_, value);
    scale_ = value;
    emit scaleChanged();
    emit changed();
}

void OverlayLayer::setOffsetX(double value)
{
    ShowRevision::advanceIfChanging(offsetX_, value);
    offsetX_ = value;
    emit offsetXChanged();
    emit changed();
}

void OverlayLayer::setOffsetY(double value)
{
    ShowRevision::advanceIfChanging(offsetY_, value);
    offsetY_ = value;
    emit offsetYChanged();
    emit changed();
}

void OverlayLayer::setLoops(bool value)
{
    const bool changedValue = value != loops_;
    if (changedValue)
        ShowRevision::advance();
    loops_ = value;
    emit loopsChanged();
    emit changed();
    if (changedValue && !url_.isEmpty() && player_)
        makePlayer(url_);
}

void OverlayLayer::resetTransform()
{
    setOpacity(1.0);
    setScale(1.0);
    setOffsetX(0.0);
    setOffsetY(0.0);
}

void OverlayLayer::load(const QUrl& url)
{
    const LayerKind kind = kindOf(url);
    if (kind == LayerKind::none)
        return;
    clear();
    setUrl(url);
    if (kind == LayerKind::image) {
        decodeImage(url);
        return;
    }
    makePlayer(url);
    ThumbnailCache::thumbnail(url, [weak = weak_from_this(), url](const PackedPicture& picture) {
        auto self = weak.lock();
        if (self && self->url_ == url)
            self->setThumbnail(picture.unpack());
    });
}

void OverlayLayer::decodeImage(const QUrl& url)
{
    const QString path = url.isLocalFile() ? url.toLocalFile() : url.path();
    Workers::userInitiated().async([weak = weak_from_this(), url, path] {
        QImage decoded = StillImage::read(path);
        QImage bitmap = decoded.isNull() ? QImage() : decoded.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        postToMain([weak, url, decoded = std::move(decoded), bitmap = std::move(bitmap)] {
            auto self = weak.lock();
            if (!self || self->url_ != url)
                return; // gone, or a later load won
            self->cgImage_ = bitmap;
            self->setImage(decoded);
            self->setThumbnail(decoded);
        });
    });
}

void OverlayLayer::stopPlayer()
{
    if (!player_)
        return;
    player_->pause();
    player_->setLooping(false);
}

void OverlayLayer::makePlayer(const QUrl& url)
{
    stopPlayer();
    if (!makePlayer_)
        return;
    auto player = makePlayer_();
    if (!player)
        return;
    player->setMuted(true);
    // Without a loop the player pauses at the end and keeps the last frame.
    player->setLooping(loops_);
    player->replaceCurrentItem(PlayerItem::create(url.isLocalFile() ? url.toLocalFile() : url.toString()));
    setPlayer(std::move(player));
    if (isVisible_)
        player_->play();
}

void OverlayLayer::clear()
{
    setIsVisible(false);
    stopPlayer();
    setPlayer(nullptr);
    image_ = QImage();
    emit imageChanged();
    emit changed();
    cgImage_ = QImage();
    setThumbnail(QImage());
    setUrl(QUrl());
}

void OverlayLayer::visibilityStep()
{
    if (!player_)
        return;
    if (isVisible_) {
        // A video always starts from its beginning when the layer is shown.
        std::weak_ptr<MediaPlayer> weakPlayer = player_;
        player_->seek(0.0, SeekTolerance::Zero, [weakPlayer](bool) {
            if (auto player = weakPlayer.lock())
                player->play();
        });
        return;
    }
    std::erase_if(pendingPauses_, [](const auto& timer) { return !timer->isActive(); });
    std::weak_ptr<MediaPlayer> hiddenPlayer = player_;
    auto timer = clock_.createTimer(
        [weak = weak_from_this(), hiddenPlayer] {
            auto self = weak.lock();
            if (!self || self->isVisible_)
                return;
            if (auto player = hiddenPlayer.lock())
                player->pause();
        },
        true);
    timer->start(kPauseAfterHide);
    pendingPauses_.push_back(std::move(timer));
}

} // namespace tessarin
