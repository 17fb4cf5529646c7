#pragma once
// Writes a silent H.264 movie (QuickTime .mov, libx264) from pictures given
// with exact media times: frame times and the movie's end are rationals, kept
// exactly in a track time scale of 600 (so 1/2 s frames and an end at any
// multiple of 1/600 s). Pictures stream through: the encoder looks one frame
// ahead and hands each out as the next comes in, so its memory does not grow
// with the movie's length. Any thread, one thread at a time per object.
#include <QImage>
#include <QSize>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>

namespace tessarin {

class ClipEncoder {
public:
    // Ticks per second of the movie's track; every time given is rounded to it.
    static constexpr int timescale = 600;

    ClipEncoder();
    ~ClipEncoder(); // an unfinished movie is closed as it is; the caller removes the file
    ClipEncoder(const ClipEncoder&) = delete;
    ClipEncoder& operator=(const ClipEncoder&) = delete;

    // Creates the file (the container is always .mov, whatever the name).
    // The size must be even on both sides. The encoder runs on the calling
    // thread and threads - 1 of its own (each thread holds pictures of its own).
    bool open(const QString& path, QSize size, int threads = 1);
    // Appends a picture shown from value/scale seconds on; times must rise.
    // The image is scaled to the movie's size when it differs; its alpha is
    // ignored (a premultiplied picture shows over black). Appending the same
    // QImage again reuses its converted picture.
    bool appendFrame(const QImage& image, std::int64_t value, int scale);
    // Appends the last picture appended again, at value/scale seconds: the
    // caller need not keep the image once it is in.
    bool repeatFrame(std::int64_t value, int scale);
    // Ends the movie at value/scale seconds (after the last frame's time)
    // and writes the index. True when the whole movie was written.
    bool finish(std::int64_t value, int scale);

    const QString& error() const { return error_; }

private:
    struct State;
    bool fail(const QString& why);
    bool drain();
    bool writePending(std::int64_t nextTime);
    // The track time of a frame at value/scale seconds; nullopt (and the
    // error set) unless it comes after the last frame's.
    std::optional<std::int64_t> nextTime(std::int64_t value, int scale);
    bool sendPicture(std::int64_t time);

    QString error_;
    std::unique_ptr<State> state_;
};

} // namespace tessarin
