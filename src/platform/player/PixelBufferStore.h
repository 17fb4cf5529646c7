#pragma once
// Memory for pictures. Blocks are mapped straight from the system (page
// aligned, zeroed when new) and, once given back, kept for reuse by their
// size, so the pictures that decoders, renderers and streams make at a
// frame's rate reuse a few blocks whichever thread takes or gives them.
// Blocks of megabytes allocated and freed on many threads through malloc
// stay scattered over its per-thread arenas, and a process that plays for
// days grows; a mapped block that is dropped goes back to the system whole.
//
// Any thread; the lock is held only to pick or file a block, never across a
// system call.
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

namespace tessarin {

class PixelBufferStore {
public:
    struct Limits {
        std::size_t idleBytes = std::size_t(192) << 20; // all idle blocks together
        int idlePerSize = 8;                            // idle blocks of one size
    };
    struct Figures {
        std::size_t idleBytes = 0;
        int idleBlocks = 0;
        std::uint64_t mapped = 0; // blocks taken from the system so far
        std::uint64_t reused = 0; // blocks handed out again
    };

    PixelBufferStore();
    explicit PixelBufferStore(Limits limits);
    ~PixelBufferStore(); // unmaps the idle blocks; blocks still out must not come back
    PixelBufferStore(const PixelBufferStore&) = delete;
    PixelBufferStore& operator=(const PixelBufferStore&) = delete;

    // The process's store; it lives until the process ends, so frames
    // released while static objects go still find it.
    static PixelBufferStore& shared();

    // A block of at least bytes, 64-byte aligned: an idle one of exactly
    // that size when there is one (its old contents kept), else a new zeroed
    // one; nullptr for 0 bytes or when the system has no memory.
    std::uint8_t* take(std::size_t bytes);
    // Gives back a block take() returned for the same bytes. The most
    // recently given blocks are kept within the limits, the oldest go back
    // to the system.
    void give(std::uint8_t* block, std::size_t bytes);

    Figures figures() const;

private:
    struct Block {
        std::uint8_t* data;
        std::size_t bytes;
    };
    static std::uint8_t* map(std::size_t bytes);
    static void unmap(const Block& block);

    const Limits limits_;
    mutable std::mutex mutex_;
    std::vector<Block> idle_; // oldest first
    std::size_t idleBytes_ = 0;
    std::uint64_t mapped_ = 0;
    std::uint64_t reused_ = 0;
};

} // namespace tessarin
