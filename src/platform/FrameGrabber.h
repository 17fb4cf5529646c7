#pragma once
// Single pictures out of a video file: the frame at a media time, fitted
// inside a maximum size with its aspect ratio kept (never enlarged), turned
// upright by the track's display matrix, as a 32-bit BGRA image.
// Any thread, one call at a time per object; the file stays open between
// calls, so a series of previews of one file costs one open.
#include <QImage>
#include <QSize>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>

namespace tessarin {

class FrameGrabber {
public:
    enum class Tolerance {
        // The nearest key frame at or before the time: one frame decoded.
        defaultTolerance,
        // The frame shown at exactly that time: decoded up from the key frame.
        zero,
    };

    // decoderThreads: 1 suits single grabs (many files are grabbed in
    // parallel anyway); 0 (one per core) suits a series of exact frames.
    explicit FrameGrabber(QString path, int decoderThreads = 1);
    ~FrameGrabber();
    FrameGrabber(const FrameGrabber&) = delete;
    FrameGrabber& operator=(const FrameGrabber&) = delete;

    // The upright picture at `seconds`, scaled to fit inside maxSize (an
    // empty maxSize keeps the display size). Format_RGB32. Nullopt when the
    // file cannot be opened, has no picture track, or no frame decodes;
    // error() then says why.
    std::optional<QImage> frame(double seconds, QSize maxSize, Tolerance tolerance = Tolerance::defaultTolerance);
    const QString& error() const { return error_; }

    // One-off grab.
    static std::optional<QImage> grab(const QString& path, double seconds, QSize maxSize,
                                      Tolerance tolerance = Tolerance::defaultTolerance);

    // The size that fits `size` inside `maxSize` keeping the aspect ratio,
    // never larger than `size`; each side at least 1.
    static QSize fittedSize(QSize size, QSize maxSize);

private:
    struct State;
    bool open();
    // Whether an exact grab at target (stream ticks) can decode on from
    // where the last one stopped.
    bool canDecodeOnTo(int64_t target) const;

    QString path_;
    int decoderThreads_;
    QString error_;
    std::unique_ptr<State> state_;
};

} // namespace tessarin
