#pragma once
// Gives the pages of the blocks freed in malloc's heaps back to the system
// after a big teardown (an item's decoders, a live ingest, a stream's run).
// glibc returns a heap's memory only from its top: what a teardown frees in
// the middle of a heap stays resident, and with threads coming and going
// over the arenas each heap keeps the most it ever held at once, so the
// process grows in steps over a long show. malloc_trim(0) gives back every
// whole free page of every heap; what is still allocated stays where it is.
//
// Any thread. The trim runs on a worker; requests made while one is waiting
// to run are folded into it.
#include <functional>
#include <memory>

namespace tessarin {

class HeapRelease {
public:
    // The process's: trims malloc's heaps on a worker of the user-initiated pool.
    static HeapRelease& shared();

    // trim does the work, schedule runs a task on another thread.
    HeapRelease(std::function<void()> trim, std::function<void(std::function<void()>)> schedule);
    HeapRelease(const HeapRelease&) = delete;
    HeapRelease& operator=(const HeapRelease&) = delete;

    // Any thread: a trim soon, unless one is already waiting to run.
    void request();

private:
    struct State;
    std::function<void()> trim_;
    std::function<void(std::function<void()>)> schedule_;
    std::shared_ptr<State> state_;
};

} // namespace tessarin
