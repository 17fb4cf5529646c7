#pragma once
// The largest size the program is drawn at: every program renderer reports
// the size it composes the players' pictures at (the monitor, the output
// window, each stream), and the engine gives it to the player items it makes
// for the program and for the cue preview before they open, so they decode
// and queue their pictures for the program from the first one. Any thread;
// renderers report from their own threads.
#include <QSize>

#include <mutex>
#include <vector>

namespace tessarin {

class ProgramPictureSize {
public:
    // Until a renderer has drawn a frame: the size of a 1080p stream or
    // output window.
    static constexpr QSize kDefault { 1920, 1080 };

    // The size one renderer draws the players at now (an empty size takes
    // it out).
    void report(const void* renderer, QSize size);
    void withdraw(const void* renderer) { report(renderer, {}); }

    // The largest width and height reported, or kDefault with none.
    QSize size() const;

private:
    struct Entry {
        const void* renderer;
        QSize size;
    };
    mutable std::mutex mutex_; // guards entries_
    std::vector<Entry> entries_;
};

} // namespace tessarin
