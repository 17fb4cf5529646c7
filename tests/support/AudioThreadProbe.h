#pragma once
// Counts what a real-time thread must not do: heap allocations (malloc and
// its kin, and so operator new) and mutex locks that found the mutex taken
// (pthread_mutex_lock, and so std::mutex and SDL's mutexes). Only threads
// inside a Scope are counted. Linked into a test program, it takes the place
// of those functions for the whole program; under a sanitizer, which has
// its own, it counts nothing and available() is false.
namespace tessarin::test::probe {

bool available();

// Counts on the calling thread while it lives (scopes nest).
class Scope {
public:
    Scope();
    ~Scope();
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;
};

struct Counts {
    long allocations = 0;
    long contendedLocks = 0;
};
// The counts of every thread since the start of the program.
Counts totals();

} // namespace tessarin::test::probe
