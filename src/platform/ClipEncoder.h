#pragma once
// Writes a silent H.264 movie (QuickTime .mov, libx264) from pictures given
// with exact media times: frame times and the movie's end are rationals, kept
// exactly in a track time scale of 600 (so 1/2 s frames and an end at any
// multiple of 1/600 s). Any thread, one thread at a time per object.
#include <QImage>
#include <QSize>
#include <QString>

#include <cstdint>
#include <memory>

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
    // The size must be even on both sides.
    bool open(const QString& path, QSize size);
    // Appends a picture shown from value/scale seconds on; times must rise.
    // The image is scaled to the movie's size when it differs. Appending
    // the same QImage again reuses its converted picture.
    bool appendFrame(const QImage& image, std::int64_t value, int scale);
    // Ends the movie at value/scale seconds (after the last frame's time)
    // and writes the index. True when the whole movie was written.
    bool finish(std::int64_t value, int scale);

    const QString& error() const { return error_; }

private:
    struct State;
    bool fail(const QString& why);
    bool drain();
    bool writePending(std::int64_t nextTime);

    QString error_;
    std::unique_ptr<State> state_;
};

} // namespace tessarin
