#pragma once
// Whether a video decoder keeps up with the pace of its pictures, from the
// time its thread works on each one (decoding and converting it, not the
// time it waits for room in the picture queue) against the media time the
// picture advances.
//
// A picture whose whole time has passed when it comes out is dropped
// either way. Skipping the pictures nothing refers to (before decoding
// them) is for a decoder slower than real time: it asks for that only while
// pictures come out late and the decoder has been taking longer than their
// time, so a decoder that fell behind for a moment (the machine busy
// elsewhere) catches up by dropping only the late pictures, and every
// picture is shown again from the first one on time.
// Used by one decode thread; not thread-safe.
namespace tessarin {

class DecodePace {
public:
    // One picture out of the decoder: `work` seconds spent on it since the
    // previous one, `advance` the media time it moves the stream on by,
    // `late` whether its time had already passed.
    void picture(double work, double advance, bool late);
    // Whether the decoder should skip unreferenced pictures now.
    bool skipUnreferenced() const;
    // The work per second of media, smoothed over about half a second of
    // pictures (0 before the first).
    double load() const { return load_; }
    // A new position: nothing known about the pace there yet.
    void reset();

private:
    double load_ = 0.0;
    int pictures_ = 0;
    int lateRun_ = 0;
};

} // namespace tessarin
