#pragma once
// Which live picture one render of a program shows. Picking the newest
// picture due by the render's time is right on average, but a live source's
// due times jitter (its pictures come on a grid of their own and are timed
// by the live sound's clock) and so does a render's time; where a picture
// falls near a render's time, one render takes two pictures at once and the
// next none, and a picture is lost while another is shown twice. A render
// of a program whose rate is the source's instead takes the picture after
// the one it showed last, as long as that one is due within kSlack render
// periods of its time and the one after it is not already due that much
// before: so every picture of a same-rate source is shown once, though its
// due times stray by a good part of a period (a 25 fps source on the
// ingest's 30 fps grid is timed up to 13 ms off), and a source whose clock
// drifts against the program's drops or repeats one picture each time the
// drift has built up a period, not at every stray time. A render without
// a period (a view that draws at the display's rate) takes the newest due.
// One pick per reader (each keeps what it showed last), on its own thread.
#include <cstdint>
#include <span>

namespace tessarin {

class LiveFramePick {
public:
    // How far, in render periods, a picture may be due after a render's
    // time and still be taken early, or before it and still be taken late.
    static constexpr double kSlack = 0.75;
    // Pictures due this many render periods apart or more are not of one
    // pace (a picture is missing between them): the later one is not
    // taken early.
    static constexpr double kPaceGap = 2.0;

    struct Frame {
        std::uint64_t id = 0; // increasing with the pictures' order
        double due = 0.0;     // host time it is due on screen
    };

    // The index of the picture to show at `time` among frames (in the order
    // they were pushed, their due times non-decreasing), for a render every
    // `period` seconds; -1 when none is due. Remembers the picture taken.
    int pick(std::span<const Frame> frames, double time, double period);
    // Forgets the picture last shown (the live source went).
    void reset() { shown_ = false; }

private:
    bool shown_ = false;
    std::uint64_t last_ = 0;
};

} // namespace tessarin
