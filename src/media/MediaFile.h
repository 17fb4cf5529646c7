#pragma once
// One playable item: a video or audio file, a still image played as a
// rendered clip, or a live source. Shared by std::shared_ptr between the
// block that lists it, the engine and the schedule; lives on the main thread.
// A file item analyses itself in the background (thumbnail, waveform and
// normalisation gain, duration, and for a still image its clip); results
// arrive on the main thread and are published like any other change.
//
// Observable: every setter stores the value and emits <name>Changed() and
// changed(), also when the value is unchanged.
#include "media/ImageClipRenderer.h"
#include "media/LiveSource.h"
#include "media/PackedPicture.h"
#include "media/ValueRange.h"

#include <QImage>
#include <QObject>
#include <QUrl>
#include <QUuid>

#include <memory>
#include <optional>
#include <vector>

namespace tessarin {

class MediaFile final : public QObject, public std::enable_shared_from_this<MediaFile> {
    Q_OBJECT
    struct Key {};

public:
    // A file item; returns at once and analyses the file in the background.
    // Never fails and does not check that the file exists. A still image
    // plays imageDuration seconds when one is given (brought within
    // imageDurationRange), else defaultImageDuration: its clip is rendered
    // once, at that duration.
    static std::shared_ptr<MediaFile> create(const QUrl& url, std::optional<double> imageDuration = std::nullopt);
    // A live item: url "live://<kind>", nothing analysed.
    static std::shared_ptr<MediaFile> create(const LiveSource& source);

    MediaFile(Key, QUrl url, std::optional<LiveSource> source);
    ~MediaFile() override;

    // The gain slider's range in dB; at its lower end the item is silent.
    static constexpr ValueRange gainDBRange { -40.0, 12.0 };
    // The shortest stretch an item plays, in seconds: IN stays this far
    // before OUT and before the end, and a still plays at least this long.
    static constexpr double minimumPlayLength = 0.1;
    // How long a still plays: at least minimumPlayLength, at most the top
    // of the item row's stepper.
    static constexpr ValueRange imageDurationRange { minimumPlayLength, 60.0 };
    static constexpr double defaultImageDuration = 5.0;

    // Constant identity and kind.
    const QUuid& id() const { return id_; }
    const QUrl& url() const { return url_; }
    // The url's local path (its path when it is not a local file), worked
    // out once.
    const QString& path() const { return path_; }
    const std::optional<LiveSource>& liveSource() const { return liveSource_; }
    bool isImage() const { return isImage_; }
    bool isAudioOnly() const { return isAudioOnly_; }
    bool isLive() const { return liveSource_.has_value(); }

    bool loop() const { return loop_; }
    void setLoop(bool loop);
    bool isMuted() const { return isMuted_; }
    void setIsMuted(bool muted);
    double gainDB() const { return gainDB_; }
    void setGainDB(double gainDB);
    // 0 at the bottom of gainDBRange and below, else 10^(gainDB / 20) with
    // gainDB taken as at most the range's top; 1 when gainDB is not a number.
    float gainLinear() const;
    // A small picture of the item, decoded at each call; null while none is
    // known. Views decode packedThumbnail() off the main thread instead.
    QImage thumbnail() const { return thumbnail_.unpack(); }
    bool hasThumbnail() const { return !thumbnail_.isNull(); }
    const PackedPicture& packedThumbnail() const { return thumbnail_; }
    void setThumbnail(const PackedPicture& thumbnail);
    // Seconds; 0 until known.
    double duration() const { return duration_; }
    void setDuration(double seconds);
    double inPoint() const { return inPoint_; }
    void setInPoint(double seconds);
    // None means play to duration().
    const std::optional<double>& outPoint() const { return outPoint_; }
    void setOutPoint(std::optional<double> seconds);
    struct Trim {
        double inPoint = 0.0;
        std::optional<double> outPoint;
        bool operator==(const Trim&) const = default;
    };
    // IN and OUT brought within the item once its duration is known (above
    // 0), as the trim editor moves them: IN from 0 to minimumPlayLength
    // before OUT (or the end), OUT from minimumPlayLength after IN to the
    // end. While the duration is unknown, IN and OUT as they are.
    Trim fittedTrim() const;
    // Assigns the fitted IN and OUT that differ from the current ones.
    void fitTrimToDuration();
    // One peak per bucket of the audio; none until analysed, and for files without audio.
    const std::optional<std::vector<float>>& waveform() const { return waveform_; }
    void setWaveform(std::optional<std::vector<float>> waveform);
    // Linear gain that brings the item's peak to 0.95 (at most 4); 1 when unknown.
    float normalizationGain() const { return normalizationGain_; }
    void setNormalizationGain(float gain);
    // Seconds a still image plays. Every assignment renders the image's
    // clip again (playableURL is empty until it is ready); the render of the
    // duration it replaces is given up.
    double imageDuration() const { return imageDuration_; }
    void setImageDuration(double seconds);
    // What the players open: the file itself, or a still image's rendered
    // clip; empty while there is none.
    const QUrl& playableURL() const { return playableURL_; }
    void setPlayableURL(const QUrl& url);
    // Why the file cannot be played, as the player or the analysis found it
    // (FFmpeg's own words, or a translated text); empty while nothing says
    // so. Set when a player fails to open the file or the analysis cannot
    // read it; cleared when a player opens it again (a repaired file).
    const QString& playbackError() const { return playbackError_; }
    void setPlaybackError(const QString& error);

    // The gain for a peak (largest absolute sample): 0.95 / peak, at most 4,
    // or 1 when the peak is 0.0001 or less.
    static float normalizationGain(float peak);
    // The reason given for a file that opens but holds neither sound nor
    // pictures (in the interface's language).
    static QString noPlayableTracksText();

signals:
    void loopChanged();
    void isMutedChanged();
    void gainDBChanged();
    void thumbnailChanged();
    void durationChanged();
    void inPointChanged();
    void outPointChanged();
    void waveformChanged();
    void normalizationGainChanged();
    void imageDurationChanged();
    void playableURLChanged();
    void playbackErrorChanged();
    // After any of the above.
    void changed();

private:
    void startAnalysis();
    void renderImageClip();

    const QUuid id_ = QUuid::createUuid();
    const QUrl url_;
    const QString path_;
    const std::optional<LiveSource> liveSource_;
    bool isImage_ = false;
    bool isAudioOnly_ = false;

    bool loop_ = false;
    bool isMuted_ = false;
    double gainDB_ = 0.0;
    PackedPicture thumbnail_;
    double duration_ = 0.0;
    double inPoint_ = 0.0;
    std::optional<double> outPoint_;
    std::optional<std::vector<float>> waveform_;
    float normalizationGain_ = 1.0f;
    double imageDuration_ = defaultImageDuration;
    ImageClipRenderer::ClipRequest clipRequest_; // of a still's clip at imageDuration_
    QUrl playableURL_;
    QString playbackError_;
};

// Items are equal exactly when their ids are; the hash is the id's.
inline bool operator==(const MediaFile& a, const MediaFile& b) { return a.id() == b.id(); }
inline size_t qHash(const MediaFile& item, size_t seed = 0) noexcept { return qHash(item.id(), seed); }

} // namespace tessarin
