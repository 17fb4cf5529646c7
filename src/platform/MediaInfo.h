#pragma once
// What a media file holds: its duration and its audio and video tracks, read
// with the FFmpeg libraries. Any thread; each call opens the file afresh.
#include <QString>

#include <cmath>
#include <optional>
#include <vector>

namespace tessarin {

// The 2x2 part of a track's display matrix in the row-vector form
// (x' = a x + c y, y' = b x + d y): identity for an upright track.
struct PreferredTransform {
    double a = 1, b = 0, c = 0, d = 1;
    friend bool operator==(const PreferredTransform&, const PreferredTransform&) = default;
};

struct MediaTrack {
    int streamIndex = -1;
    // Video: coded size, and the clockwise quarter turns (0, 90, 180, 270)
    // and mirroring that bring the picture upright.
    int width = 0;
    int height = 0;
    double sampleAspectRatio = 1.0;
    int rotationDegrees = 0;
    bool mirrored = false;
    PreferredTransform preferredTransform;
    // Audio.
    int sampleRate = 0;
    int channels = 0;
    // Seconds; NaN when the container does not say.
    double duration = std::nan("");
};

struct MediaInfo {
    // Seconds the file plays for (PlayedRange.h); NaN when unknown.
    double duration = std::nan("");
    // Picture tracks (cover art excluded) and sound tracks, in file order.
    std::vector<MediaTrack> videoTracks;
    std::vector<MediaTrack> audioTracks;

    // The first video track's transform, identity when there is none.
    PreferredTransform preferredTransform() const;

    // Nullopt when the file cannot be opened as media; error says why.
    static std::optional<MediaInfo> read(const QString& path, QString* error = nullptr);
};

} // namespace tessarin
