#pragma once
// A live session driven by the test: its own thread delivers frames of one
// colour and audio buffers of one value, as many as the test asks for, and
// keeps doing so after stop(), like a real input whose reader is still
// draining. Each delivery counts, so a test can wait until late deliveries
// have really been attempted.
#include "media/LiveSession.h"
#include "platform/player/PcmBuffer.h"

#include <QColor>
#include <QImage>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>

namespace tessarin::test {

class FakeLiveSession final : public LiveSession {
public:
    static constexpr int kBufferFrames = 480; // 10 ms at 48 kHz

    explicit FakeLiveSession(QColor colour, float sample = 0.25f)
        : colour_(colour)
        , sample_(sample)
    {
    }
    ~FakeLiveSession() override { finish(); }

    void start() override
    {
        ++startCalls;
        if (thread_.joinable())
            return;
        thread_ = std::thread([this] { run(); });
    }
    // Records the call; the thread goes on delivering what is asked of it.
    void stop() override { ++stopCalls; }

    // Any thread: asks for count more frames, each followed by one buffer.
    void deliver(int count)
    {
        std::lock_guard guard(mutex_);
        for (int i = 0; i < count; ++i)
            work_.push_back(std::nullopt);
        wake_.notify_one();
    }
    // Any thread: a status from the session's thread.
    void report(const LiveStatus& status)
    {
        std::lock_guard guard(mutex_);
        work_.push_back(status);
        wake_.notify_one();
    }
    // Ends the thread after the work asked for.
    void finish()
    {
        {
            std::lock_guard guard(mutex_);
            finishing_ = true;
            wake_.notify_one();
        }
        if (thread_.joinable())
            thread_.join();
    }

    // Waits, without handling the main thread's events, until n statuses
    // have been handed to onStatus: a status it posts to the main thread is
    // then still waiting there.
    bool waitForReported(int n, double timeoutSeconds = 30.0)
    {
        std::unique_lock guard(mutex_);
        return reportedChanged_.wait_for(guard, std::chrono::duration<double>(timeoutSeconds),
                                         [&] { return reported >= n; });
    }

    std::atomic<int> startCalls { 0 };
    std::atomic<int> stopCalls { 0 };
    std::atomic<int> delivered { 0 }; // frames (with their buffers) handed to the callbacks
    std::atomic<int> reported { 0 };

private:
    void run()
    {
        QImage frame(32, 18, QImage::Format_RGB32);
        frame.fill(colour_);
        for (;;) {
            std::optional<LiveStatus> item;
            {
                std::unique_lock guard(mutex_);
                wake_.wait(guard, [this] { return finishing_ || !work_.empty(); });
                if (work_.empty())
                    return;
                item = work_.front();
                work_.pop_front();
            }
            if (item) {
                if (onStatus)
                    onStatus(*item);
                {
                    std::lock_guard guard(mutex_);
                    ++reported;
                }
                reportedChanged_.notify_all();
                continue;
            }
            // Each picture belongs with the buffer that follows it.
            if (onVideo)
                onVideo(frame, double(delivered) * kBufferFrames / 48000.0);
            auto buffer = PcmBuffer::create(AudioFormat::float32(48000.0, 2, false), kBufferFrames);
            buffer->setFrameLength(kBufferFrames);
            std::fill_n(buffer->floatData(0), kBufferFrames, sample_);
            std::fill_n(buffer->floatData(1), kBufferFrames, sample_);
            if (onAudio)
                onAudio(buffer);
            ++delivered;
        }
    }

    QColor colour_;
    float sample_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable reportedChanged_;
    std::deque<std::optional<LiveStatus>> work_; // nullopt: a frame and a buffer
    bool finishing_ = false;
    std::thread thread_;
};

} // namespace tessarin::test
