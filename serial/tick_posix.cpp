#include <time.h>

#include <atomic>

#include "serial/serial_error.h"
#include "serial/tick.h"

namespace {

std::atomic<uint32_t> g_tickOffset{0};

timespec MonotonicNow() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now;
}

}  // namespace

uint32_t TickNow() {
    const timespec now = MonotonicNow();
    const uint64_t ms =
        static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<uint32_t>(ms) + g_tickOffset.load();
}

// Unsigned subtraction is the difference modulo 2^32.
uint32_t TickDiff(uint32_t now, uint32_t start) {
    return now - start;
}

void SetTickOffset(uint32_t offset) {
    g_tickOffset.store(offset);
}

void SleepMs(uint32_t ms) {
    // An absolute deadline lets a signal-interrupted sleep resume without drifting.
    timespec deadline = MonotonicNow();
    deadline.tv_sec += static_cast<time_t>(ms / 1000u);
    deadline.tv_nsec += static_cast<long>(ms % 1000u) * 1000000L;
    if (deadline.tv_nsec >= 1000000000L) {
        deadline.tv_sec += 1;
        deadline.tv_nsec -= 1000000000L;
    }
    while (ClassifySystemError(clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline,
                                               nullptr)) == SystemErrorKind::Interrupted) {
    }
}
