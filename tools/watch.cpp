// Counting replacements for the lock and sleep entry points.
#include "tools/watch.h"

#include <atomic>
#include <ctime>
#include <dlfcn.h>
#include <pthread.h>
#include <unistd.h>

namespace {

std::atomic<long> lock_count{0};
std::atomic<long> sleep_count{0};

template <typename F> F next(const char *name) {
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

} // namespace

namespace watch {

long locks() noexcept { return lock_count.load(std::memory_order_relaxed); }
long sleeps() noexcept { return sleep_count.load(std::memory_order_relaxed); }

} // namespace watch

extern "C" {

int pthread_mutex_lock(pthread_mutex_t *mutex) noexcept {
    lock_count.fetch_add(1, std::memory_order_relaxed);
    static const auto real = next<int (*)(pthread_mutex_t *)>("pthread_mutex_lock");
    return real(mutex);
}

int nanosleep(const struct timespec *duration, struct timespec *rest) {
    sleep_count.fetch_add(1, std::memory_order_relaxed);
    static const auto real = next<int (*)(const timespec *, timespec *)>("nanosleep");
    return real(duration, rest);
}

int clock_nanosleep(clockid_t clock, int flags, const struct timespec *t, struct timespec *rest) {
    sleep_count.fetch_add(1, std::memory_order_relaxed);
    static const auto real =
        next<int (*)(clockid_t, int, const timespec *, timespec *)>("clock_nanosleep");
    return real(clock, flags, t, rest);
}

int usleep(useconds_t micros) {
    sleep_count.fetch_add(1, std::memory_order_relaxed);
    static const auto real = next<int (*)(useconds_t)>("usleep");
    return real(micros);
}

unsigned sleep(unsigned seconds) {
    sleep_count.fetch_add(1, std::memory_order_relaxed);
    static const auto real = next<unsigned (*)(unsigned)>("sleep");
    return real(seconds);
}

} // extern "C"
