// Replacement allocator entry points: count, optionally fail, forward.
#include "sandbox/heap.h"

#include <atomic>
#include <cerrno>
#include <cstddef>

#if defined(__SANITIZE_ADDRESS__)
#define REAL(name) __interceptor_##name
#else
#define REAL(name) __libc_##name
#endif

extern "C" {
void *REAL(malloc)(std::size_t size);
void *REAL(calloc)(std::size_t count, std::size_t size);
void *REAL(realloc)(void *pointer, std::size_t size);
void *REAL(memalign)(std::size_t alignment, std::size_t size);
void REAL(free)(void *pointer);
}

namespace {

std::atomic<long> made{0};
std::atomic<int> failures{0};

// Counts one allocation; true when it is to fail.
bool take() noexcept {
    made.fetch_add(1, std::memory_order_relaxed);
    int left = failures.load(std::memory_order_relaxed);
    while (left > 0)
        if (failures.compare_exchange_weak(left, left - 1, std::memory_order_relaxed))
            return true;
    return false;
}

} // namespace

namespace sandbox::heap {

long allocations() noexcept { return made.load(std::memory_order_relaxed); }

void fail_next(int count) noexcept { failures.store(count, std::memory_order_relaxed); }

} // namespace sandbox::heap

extern "C" {

void *malloc(std::size_t size) { return take() ? nullptr : REAL(malloc)(size); }

void *calloc(std::size_t count, std::size_t size) {
    return take() ? nullptr : REAL(calloc)(count, size);
}

void *realloc(void *pointer, std::size_t size) {
    return take() ? nullptr : REAL(realloc)(pointer, size);
}

void *memalign(std::size_t alignment, std::size_t size) {
    return take() ? nullptr : REAL(memalign)(alignment, size);
}

void *aligned_alloc(std::size_t alignment, std::size_t size) {
    return take() ? nullptr : REAL(memalign)(alignment, size);
}

int posix_memalign(void **out, std::size_t alignment, std::size_t size) {
    if (alignment < sizeof(void *) || (alignment & (alignment - 1)) != 0)
        return EINVAL;
    void *pointer = take() ? nullptr : REAL(memalign)(alignment, size);
    if (!pointer)
        return ENOMEM;
    *out = pointer;
    return 0;
}

void free(void *pointer) { REAL(free)(pointer); }

} // extern "C"
