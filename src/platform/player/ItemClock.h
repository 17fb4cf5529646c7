#pragma once
// The clock of one playing item (ffplay's clocks, made explicit): while the
// item's audio is flowing, its time is that of the last samples the output
// consumed, corrected by the output latency; otherwise (no audio, or the
// audio has run out) the host clock anchored at play, seek and resume.
// Besides the heard time it knows the mixed time, which runs ahead of it by
// the output delay once the audio has run out: the item is over for the
// program when its last sample is mixed, not when it is heard.
// Any thread; the lock is held for a few arithmetic steps.
#include <array>
#include <mutex>

namespace tessarin {

class ItemClock {
public:
    // Item time at a host time (HostClock seconds).
    double now(double hostTime) const;
    // Item time lookahead seconds after hostTime, as the clock stands at
    // hostTime and runs on from there: a picture asked for ahead of the
    // sound rendered so far is not held back by the wait for the next
    // block, which only a clock that reached the block's end does.
    // The clock of the pictures: while the sound drives it, NaN until the
    // first sample of this position (after a start, a join, a seek or a
    // resume) is heard, so no picture of it shows before its sound (nor
    // while the clock is held for that position's first picture); from
    // then on the time the sound has reached.
    double ahead(double hostTime, double lookahead) const;
    // The item time the output has mixed up to: now(), plus the delay from
    // mixing to hearing of the last sample once the audio has run out.
    double mixedNow(double hostTime) const;
    bool isPlaying() const;
    // The item time the clock last started running from (a start, a seek,
    // a release or a resume), however long it has run since.
    double startedFrom() const;
    // Playing and not held: time runs and the audio may be consumed.
    bool isRunning() const;

    // Holds the clock at its position while the first picture of a new
    // position is being decoded (as a player waits to minimise a stall);
    // release() lets it run from the release time on.
    void hold(double hostTime);
    void release(double hostTime);

    void setAudioDriven(bool audioDriven);
    void play(double hostTime);
    void pause(double hostTime);
    // Jumps to t (a seek, or the landing point of a default-tolerance seek).
    void jump(double t, double hostTime);
    // Stops the clock at t (the end of the item).
    void freeze(double t);

    // Audio thread: frames starting at media time pts were consumed by a
    // render at hostTime, heard latency seconds later.
    void audioRendered(double pts, int frames, double hostTime, double latency);
    // Audio thread: the audio ended at endPts, its last sample was mixed at
    // hostTime and is heard delay seconds later; the host clock takes over.
    void audioFinished(double endPts, double hostTime, double delay);

private:
    // Runs the clock on from media time t at hostTime (mutex_ held).
    void restartAtLocked(double t, double hostTime);
    double nowLocked(double hostTime) const;

    // A block the output consumed: from host time `heard` on, media time
    // runs from `pts` for `seconds`.
    struct Heard {
        double pts = 0.0;
        double seconds = 0.0;
        double heard = 0.0;
    };
    // The blocks last rendered, some perhaps not heard yet: a block is
    // rendered an output delay before it is heard, and until then the
    // blocks before it say what is heard.
    static constexpr int kHeardBlocks = 16;

    mutable std::mutex mutex_;
    bool playing_ = false;
    bool held_ = false;
    bool hasAudio_ = false;
    bool audioDriven_ = false; // hasAudio_ and the audio has not run out
    bool audioValid_ = false; // a render of the current position has happened
    double firstHeard_ = 0.0; // when the first block of the current position is heard
    double firstPts_ = 0.0;   // its media time
    double pausedTime_ = 0.0;
    double floor_ = 0.0;      // the clock never reads earlier than this while playing
    double anchorMedia_ = 0.0;
    double anchorHost_ = 0.0;
    std::array<Heard, kHeardBlocks> blocks_ {}; // a ring; the newest at blocksEnd_ - 1
    int blocksEnd_ = 0;
    int blockCount_ = 0;
    double mixedLead_ = 0.0; // mixed time minus heard time after the audio ran out
};

} // namespace tessarin
