// The rules of the transactions that need no bus: deadlines and the status cell's text.
#include <gtest/gtest.h>

#include "bus/transaction_loop.h"
#include "bus/transactions.h"

namespace {

TEST(Deadline, FollowsTheParametersAsComputed) {
    struct Case {
        const char* name;
        uint32_t (*deadline)(const ControlParameters&);
        uint8_t maxAddr;
        int32_t interval;
        uint32_t ms;
    };
    const Case cases[] = {
        {"status, max 00", GroupStatusDeadlineMs, 0x00, 50, 205},
        {"status, max fe", GroupStatusDeadlineMs, 0xFE, 50, 1475},
        {"status, max ff", GroupStatusDeadlineMs, 0xFF, 50, 1480},
        {"unlock defaults", GroupUnlockDeadlineMs, 0xFE, 50, 12950},
        {"unlock 255 ms", GroupUnlockDeadlineMs, 0xFE, 255, 65225},
        {"unlock interval 0", GroupUnlockDeadlineMs, 0xFE, 0, 200},
        {"unlock max 00", GroupUnlockDeadlineMs, 0x00, 50, 250},
        {"single defaults", SingleNodeDeadlineMs, 0xFE, 50, 250},
        {"single interval 0", SingleNodeDeadlineMs, 0xFE, 0, 200},
        {"single 255 ms", SingleNodeDeadlineMs, 0xFE, 255, 455},
    };
    for (const Case& c : cases) {
        ControlParameters params;
        params.m_byMaxAddr = c.maxAddr;
        params.m_nInterval = c.interval;
        EXPECT_EQ(c.deadline(params), c.ms) << c.name;
    }
}

TEST(StatusCell, FollowsFeedbackAndPolarity) {
    struct Case {
        int32_t feedback, polarity;
        uint8_t level;
        const char* text;
    };
    const Case cases[] = {
        {0, 0, 0x01, "parsed"}, {0, 1, 0x00, "parsed"}, {1, 0, 0x00, "闭"},
        {1, 0, 0x01, "开"},     {1, 0, 0x02, "开"},     {1, 1, 0x01, "闭"},
        {1, 1, 0x00, "开"},     {1, 1, 0x02, "开"},     {2, 7, 0x01, "闭"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(StatusCellText(c.feedback, c.polarity, c.level, "parsed"), c.text)
            << c.feedback << "/" << c.polarity << "/" << int(c.level);
    }
}

}  // namespace
