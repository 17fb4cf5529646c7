#include "support/AudioThreadProbe.h"

#include <atomic>
#include <cerrno>
#include <cstddef>

#include <dlfcn.h>
#include <pthread.h>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define TESSARIN_PROBE_OFF 1
#endif
#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define TESSARIN_PROBE_OFF 1
#endif
#endif

namespace {

// Plain static TLS of the program: reading it calls nothing.
thread_local int counting = 0;
std::atomic<long> allocations { 0 };
std::atomic<long> contended { 0 };

void countAllocation()
{
    if (counting > 0)
        allocations.fetch_add(1, std::memory_order_relaxed);
}

} // namespace

namespace tessarin::test::probe {

Scope::Scope() { ++counting; }
Scope::~Scope() { --counting; }

Counts totals()
{
    return { allocations.load(std::memory_order_relaxed), contended.load(std::memory_order_relaxed) };
}

#ifdef TESSARIN_PROBE_OFF
bool available() { return false; }
#else
bool available() { return true; }
#endif

} // namespace tessarin::test::probe

#ifndef TESSARIN_PROBE_OFF
// glibc's own allocator under its exported second names: the program keeps
// one allocator, only counted on the way.
extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
void* __libc_memalign(std::size_t, std::size_t);
void __libc_free(void*);

void* malloc(std::size_t size)
{
    countAllocation();
    return __libc_malloc(size);
}

void* calloc(std::size_t count, std::size_t size)
{
    countAllocation();
    return __libc_calloc(count, size);
}

void* realloc(void* old, std::size_t size)
{
    countAllocation();
    return __libc_realloc(old, size);
}

void free(void* p)
{
    __libc_free(p);
}

void* memalign(std::size_t alignment, std::size_t size)
{
    countAllocation();
    return __libc_memalign(alignment, size);
}

void* aligned_alloc(std::size_t alignment, std::size_t size)
{
    countAllocation();
    return __libc_memalign(alignment, size);
}

int posix_memalign(void** out, std::size_t alignment, std::size_t size)
{
    countAllocation();
    void* p = __libc_memalign(alignment, size);
    if (!p)
        return ENOMEM;
    *out = p;
    return 0;
}

int pthread_mutex_lock(pthread_mutex_t* mutex)
{
    using Lock = int (*)(pthread_mutex_t*);
    static std::atomic<Lock> next { nullptr };
    Lock lock = next.load(std::memory_order_acquire);
    if (!lock) {
        lock = reinterpret_cast<Lock>(dlsym(RTLD_NEXT, "pthread_mutex_lock"));
        next.store(lock, std::memory_order_release);
    }
    if (counting > 0) {
        const int tried = pthread_mutex_trylock(mutex);
        if (tried != EBUSY)
            return tried;
        contended.fetch_add(1, std::memory_order_relaxed);
    }
    return lock(mutex);
}
} // extern "C"
#endif
