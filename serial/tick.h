// The millisecond tick counter: 32 bits, wrapping after about 49.7 days. On Windows it is the
// system's GetTickCount; elsewhere the monotonic clock stands in for it.
#pragma once

#include <cstdint>

uint32_t TickNow();

// Elapsed milliseconds from start to now, right across the counter's wrap.
uint32_t TickDiff(uint32_t now, uint32_t start);

// Shifts the counter; tests use it to put a wrap inside a transaction.
void SetTickOffset(uint32_t offset);

void SleepMs(uint32_t ms);
