#pragma once
// Time for everything that is time-driven. Production code takes a Clock&;
// tests hand in a clock they advance by hand, so they never sleep.
#include <functional>
#include <memory>

namespace tessarin {

// A repeating or single-shot timer on the main thread.
class Timer {
public:
    virtual ~Timer() = default;
    // (Re)starts the timer: the first tick comes one interval from now.
    virtual void start(double intervalSeconds) = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;
};

class Clock {
public:
    virtual ~Clock() = default;
    // Monotonic seconds (host time); only differences are meaningful.
    virtual double now() const = 0;
    // Seconds since 1970-01-01 UTC on the system clock (calendar time).
    virtual double wallNow() const = 0;
    // A main-thread timer that calls onTick at each expiry; a single-shot
    // timer stops itself before calling onTick. Destroying it stops it.
    virtual std::unique_ptr<Timer> createTimer(std::function<void()> onTick, bool singleShot = false) = 0;
};

// The real clock: CLOCK_MONOTONIC host time, the system calendar clock and
// precise QTimers on the main thread.
class HostClock final : public Clock {
public:
    static HostClock& shared();
    // Host time in seconds, safe from any thread (audio, render, readers).
    static double monotonicSeconds();

    double now() const override { return monotonicSeconds(); }
    double wallNow() const override;
    std::unique_ptr<Timer> createTimer(std::function<void()> onTick, bool singleShot = false) override;
};

} // namespace tessarin
