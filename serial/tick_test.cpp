#include <gtest/gtest.h>

#include <chrono>

#include "serial/tick.h"

namespace {

TEST(TickTest, TickDiffIsTheDifferenceModulo2To32) {
    const struct {
        uint32_t now;
        uint32_t start;
        uint32_t elapsed;
    } cases[] = {
        {5, 3, 2}, {7, 7, 0}, {1, 0xFFFFFFFFu, 2}, {0x10, 0xFFFFFFF0u, 0x20}, {0, 1, 0xFFFFFFFFu},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TickDiff(c.now, c.start), c.elapsed) << c.now << " - " << c.start;
    }
}

TEST(TickTest, OffsetShiftsTheCounter) {
    SetTickOffset(0);
    const uint32_t plain = TickNow();
    SetTickOffset(0xFFFFFF00u);
    const uint32_t shifted = TickNow();
    SetTickOffset(0);
    EXPECT_LT(TickDiff(shifted, plain) - 0xFFFFFF00u, 1000u);
}

// How far the counter may trail real time: Windows advances its tick only every timer period.
constexpr uint32_t kTickStepMs = VELKARO_TICK_STEP_MS;

TEST(TickTest, SleepLastsAtLeastItsTimeAndTheCounterFollows) {
    const auto start = std::chrono::steady_clock::now();
    const uint32_t startTick = TickNow();
    SleepMs(50);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(50));
    const uint32_t elapsed = TickDiff(TickNow(), startTick);
    EXPECT_GE(elapsed + (kTickStepMs - 1), 50u);
    EXPECT_LT(elapsed, 1000u);
}

}  // namespace
