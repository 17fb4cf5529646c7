#pragma once
// One graphics layer over the program picture: a still image or a muted
// (optionally looping) video, with visibility, opacity, scale and offsets.
// A model object only: the monitor views and the renderer draw it.
// Main thread only; held by std::shared_ptr, background results hold it weakly.
#include "media/ValueRange.h"

#include <QImage>
#include <QObject>
#include <QString>
#include <QUrl>
#include <QUuid>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace tessarin {

class Clock;
class MediaPlayer;
class Timer;

class OverlayLayer : public QObject, public std::enable_shared_from_this<OverlayLayer> {
    Q_OBJECT
public:
    using PlayerFactory = std::function<std::shared_ptr<MediaPlayer>()>;

    // makePlayer makes the players of video layers; the clock times the
    // delayed pause after a hide.
    static std::shared_ptr<OverlayLayer> create(const QString& title, Clock& clock, PlayerFactory makePlayer);
    ~OverlayLayer() override;

    // The ranges of the layer settings' sliders: opacity, scale about the
    // picture's centre, and offsets as fractions of the picture's size.
    static constexpr ValueRange opacityRange { 0.0, 1.0 };
    static constexpr ValueRange scaleRange { 0.1, 2.0 };
    static constexpr ValueRange offsetRange { -1.0, 1.0 };

    // Whether the file name's extension names an image or a movie type.
    static bool canLoad(const QUrl& url);

    const QUuid& id() const { return id_; }
    const QString& title() const { return title_; }

    const QUrl& url() const { return url_; }
    // The decoded still (null for a video layer or while decoding).
    const QImage& image() const { return image_; }
    // The same still as premultiplied 32-bit ARGB, ready for the renderer.
    const QImage& cgImage() const { return cgImage_; }
    const QImage& thumbnail() const { return thumbnail_; }
    // The muted player of a video layer (null for a still or empty layer).
    const std::shared_ptr<MediaPlayer>& player() const { return player_; }
    bool isVisible() const { return isVisible_; }
    double opacity() const { return opacity_; }
    double scale() const { return scale_; }
    double offsetX() const { return offsetX_; }
    double offsetY() const { return offsetY_; }
    bool loops() const { return loops_; }

    // Runs the visibility step when the value changes.
    void setIsVisible(bool visible);
    void setOpacity(double value);
    void setScale(double value);
    void setOffsetX(double value);
    void setOffsetY(double value);
    // Rebuilds the player of a video layer when the value changes.
    void setLoops(bool value);

    std::optional<QString> fileName() const;
    bool hasContent() const { return !url_.isEmpty(); }

    // Loads the file as a still or a video; does nothing when canLoad is false.
    void load(const QUrl& url);
    // Empties and hides the layer.
    void clear();
    // opacity 1, scale 1, offsets 0; visibility and content untouched.
    void resetTransform();
    // Builds the layer's video player for the file: muted, looping seamlessly
    // while loops() is on, else stopping on its last frame; playing only
    // while the layer is visible. Also used when a show is restored.
    void makePlayer(const QUrl& url);

signals:
    void urlChanged();
    void imageChanged();
    void thumbnailChanged();
    void playerChanged();
    void isVisibleChanged();
    void opacityChanged();
    void scaleChanged();
    void offsetXChanged();
    void offsetYChanged();
    void loopsChanged();
    // After every change of a published property.
    void changed();

private:
    OverlayLayer(const QString& title, Clock& clock, PlayerFactory makePlayer);
    void setUrl(const QUrl& url);
    void setImage(const QImage& image);
    void setThumbnail(const QImage& image);
    void setPlayer(std::shared_ptr<MediaPlayer> player);
    void stopPlayer();
    void visibilityStep();
    void decodeImage(const QUrl& url);

    Clock& clock_;
    PlayerFactory makePlayer_;
    QUuid id_;
    QString title_;
    QUrl url_;
    QImage image_;
    QImage thumbnail_;
    std::shared_ptr<MediaPlayer> player_;
    bool isVisible_ = false;
    double opacity_ = 1.0;
    double scale_ = 1.0;
    double offsetX_ = 0.0;
    double offsetY_ = 0.0;
    bool loops_ = false;
    QImage cgImage_;
    std::vector<std::unique_ptr<Timer>> pendingPauses_;
};

// The engine's two layers, in drawing order (first lowest).
class OverlayLayers : public QObject {
    Q_OBJECT
public:
    explicit OverlayLayers(std::vector<std::shared_ptr<OverlayLayer>> layers)
        : layers_(std::move(layers))
    {
    }
    const std::vector<std::shared_ptr<OverlayLayer>>& layers() const { return layers_; }

private:
    std::vector<std::shared_ptr<OverlayLayer>> layers_;
};

} // namespace tessarin
