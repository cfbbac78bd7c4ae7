#include <windows.h>

#include <atomic>

#include "serial/tick.h"

namespace {

std::atomic<uint32_t> g_tickOffset{0};

}  // namespace

uint32_t TickNow() {
    return static_cast<uint32_t>(::GetTickCount()) + g_tickOffset.load();
}

// Unsigned subtraction is the difference modulo 2^32.
uint32_t TickDiff(uint32_t now, uint32_t start) {
    return now - start;
}

void SetTickOffset(uint32_t offset) {
    g_tickOffset.store(offset);
}

void SleepMs(uint32_t ms) {
    ::Sleep(ms);
}
