#include "platform/player/PixelBufferStore.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace tessarin {
namespace {

[[maybe_unused]] std::size_t mappedLength(std::size_t bytes)
{
    static const std::size_t page = [] {
        const long size = ::sysconf(_SC_PAGESIZE);
        return size > 0 ? static_cast<std::size_t>(size) : std::size_t(4096);
    }();
    return (bytes + page - 1) / page * page;
}

// Blocks evicted by one give(): at most the one given plus the few older
// ones its size pushes out, so a small fixed array holds them and no
// allocation happens while the lock is held.
constexpr int kMaxEvicted = 16;

} // namespace

PixelBufferStore::PixelBufferStore()
    : PixelBufferStore(Limits {})
{
}

PixelBufferStore::PixelBufferStore(Limits limits)
    : limits_(limits)
{
    idle_.reserve(static_cast<std::size_t>(std::max(limits_.idlePerSize, 1)) * 8);
}

PixelBufferStore::~PixelBufferStore()
{
    for (const Block& block : idle_)
        unmap(block);
}

PixelBufferStore& PixelBufferStore::shared()
{
    static auto* store = new PixelBufferStore;
    return *store;
}

#if defined(__SANITIZE_ADDRESS__)
// Under AddressSanitizer blocks come from its allocator, which guards their
// edges, so a pixel loop that runs past a picture is still caught.
std::uint8_t* PixelBufferStore::map(std::size_t bytes)
{
    const std::size_t length = (bytes + 63) / 64 * 64;
    void* p = std::aligned_alloc(64, length);
    if (p)
        std::memset(p, 0, length);
    return static_cast<std::uint8_t*>(p);
}

void PixelBufferStore::unmap(const Block& block)
{
    std::free(block.data);
}
#else
std::uint8_t* PixelBufferStore::map(std::size_t bytes)
{
    void* p = ::mmap(nullptr, mappedLength(bytes), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return p == MAP_FAILED ? nullptr : static_cast<std::uint8_t*>(p);
}

void PixelBufferStore::unmap(const Block& block)
{
    ::munmap(block.data, mappedLength(block.bytes));
}
#endif

std::uint8_t* PixelBufferStore::take(std::size_t bytes)
{
    if (bytes == 0)
        return nullptr;
    {
        std::lock_guard lock(mutex_);
        // The most recently given block of the size: its pages are the
        // likeliest to be resident and in cache.
        for (auto it = idle_.rbegin(); it != idle_.rend(); ++it) {
            if (it->bytes == bytes) {
                std::uint8_t* data = it->data;
                idle_.erase(std::next(it).base());
                idleBytes_ -= bytes;
                ++reused_;
                return data;
            }
        }
        ++mapped_;
    }
    return map(bytes);
}

void PixelBufferStore::give(std::uint8_t* block, std::size_t bytes)
{
    if (!block || bytes == 0)
        return;
    Block evicted[kMaxEvicted];
    int count = 0;
    {
        std::lock_guard lock(mutex_);
        const int sameSize = int(std::count_if(idle_.begin(), idle_.end(), [bytes](const Block& b) { return b.bytes == bytes; }));
        if (limits_.idlePerSize <= 0 || bytes > limits_.idleBytes || idle_.size() >= idle_.capacity()) {
            evicted[count++] = { block, bytes };
        } else {
            if (sameSize >= limits_.idlePerSize) {
                // The oldest of the size makes room.
                auto oldest = std::find_if(idle_.begin(), idle_.end(), [bytes](const Block& b) { return b.bytes == bytes; });
                evicted[count++] = *oldest;
                idleBytes_ -= oldest->bytes;
                idle_.erase(oldest);
            }
            idle_.push_back({ block, bytes });
            idleBytes_ += bytes;
            // The oldest blocks of any size go while the idle ones weigh too
            // much (the one just given is never among them: it fits alone).
            while (idleBytes_ > limits_.idleBytes && count < kMaxEvicted) {
                evicted[count++] = idle_.front();
                idleBytes_ -= idle_.front().bytes;
                idle_.erase(idle_.begin());
            }
        }
    }
    for (int i = 0; i < count; ++i)
        unmap(evicted[i]);
}

PixelBufferStore::Figures PixelBufferStore::figures() const
{
    std::lock_guard lock(mutex_);
    return { idleBytes_, static_cast<int>(idle_.size()), mapped_, reused_ };
}

} // namespace tessarin
