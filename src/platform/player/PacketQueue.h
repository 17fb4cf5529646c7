#pragma once
// A bounded queue of demuxed packets for one decoder, with ffplay's serial:
// flush() drops everything queued, raises the serial and leaves a Flush
// marker, so the decoder resets itself and drops whatever older packet it
// still holds. Any thread.
extern "C" {
#include <libavcodec/packet.h>
}

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>

namespace tessarin {

struct PacketEntry {
    // Silence: the sound's decoder learns how far the reading has gone
    // without meeting sound (see ItemPipeline::markSilence).
    enum class Kind { Data, Flush, Drain, Loop, Silence };
    Kind kind = Kind::Data;
    AVPacket* packet = nullptr; // owned by the entry's holder
    std::uint64_t serial = 0;
    double lapOffset = 0.0;     // timeline offset of the lap the packet belongs to
    // Silence: the item time up to which the sound is silent for sure, and
    // the one up to which it is silent if the output has played all the
    // sound decoded (the reading can go no further before it does).
    double silentUntil = 0.0;
    double silentIfStarved = 0.0;
    bool toEnd = false; // the silence is to the end of the pictures: sure
};

class PacketQueue {
public:
    ~PacketQueue()
    {
        for (auto& e : queue_)
            av_packet_free(&e.packet);
    }

    void put(PacketEntry entry)
    {
        {
            std::lock_guard lock(mutex_);
            if (aborted_ || entry.serial != serial_) {
                av_packet_free(&entry.packet);
                return;
            }
            if (entry.packet)
                bytes_ += static_cast<std::size_t>(entry.packet->size);
            queue_.push_back(entry);
        }
        wake_.notify_all();
    }

    void flush(std::uint64_t newSerial)
    {
        {
            std::lock_guard lock(mutex_);
            for (auto& e : queue_)
                av_packet_free(&e.packet);
            queue_.clear();
            bytes_ = 0;
            serial_ = newSerial;
            queue_.push_back(PacketEntry { PacketEntry::Kind::Flush, nullptr, newSerial, 0.0 });
        }
        wake_.notify_all();
    }

    // Blocks until an entry or abort; false on abort.
    bool get(PacketEntry& out)
    {
        std::unique_lock lock(mutex_);
        wake_.wait(lock, [this] { return aborted_ || !queue_.empty(); });
        if (aborted_)
            return false;
        out = queue_.front();
        queue_.pop_front();
        if (out.packet)
            bytes_ -= static_cast<std::size_t>(out.packet->size);
        return true;
    }

    void abort()
    {
        {
            std::lock_guard lock(mutex_);
            aborted_ = true;
        }
        wake_.notify_all();
    }

    std::size_t count() const
    {
        std::lock_guard lock(mutex_);
        return queue_.size();
    }
    std::size_t bytes() const
    {
        std::lock_guard lock(mutex_);
        return bytes_;
    }
    std::uint64_t serial() const
    {
        std::lock_guard lock(mutex_);
        return serial_;
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<PacketEntry> queue_;
    std::size_t bytes_ = 0;
    std::uint64_t serial_ = 0;
    bool aborted_ = false;
};

} // namespace tessarin
