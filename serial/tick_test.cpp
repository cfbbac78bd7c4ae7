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
    const uint32_t plain = GetTickCount();
    SetTickOffset(0xFFFFFF00u);
    const uint32_t shifted = GetTickCount();
    SetTickOffset(0);
    EXPECT_LT(TickDiff(shifted, plain) - 0xFFFFFF00u, 1000u);
}

TEST(TickTest, SleepLastsAtLeastItsTimeAndTheCounterFollows) {
    const auto start = std::chrono::steady_clock::now();
    const uint32_t startTick = GetTickCount();
    SleepMs(50);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(50));
    const uint32_t elapsed = TickDiff(GetTickCount(), startTick);
    EXPECT_GE(elapsed, 50u);
    EXPECT_LT(elapsed, 1000u);
}

}  // namespace
