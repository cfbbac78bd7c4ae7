#include "protocol/frame.h"

#include <gtest/gtest.h>

namespace {

struct FrameCase {
    const char* name;
    HostFrame built;
    HostFrame expected;
};

constexpr UnlockSettings kDefaults{500, 50, 1, 0};

TEST(HostFrame, BuildsTheCommandTableFrames) {
    const FrameCase cases[] = {
        {"group status",
         BuildStatusFrame(ADDR_BROADCAST),
         {0xA5, 0xFF, 0x00, 0x00, 0x00, 0x00, 0xA4}},
        {"group unlock defaults",
         BuildUnlockFrame(ADDR_BROADCAST, kDefaults),
         {0xA5, 0xFF, 0x01, 0x32, 0x32, 0x00, 0x09}},
        {"no feedback",
         BuildUnlockFrame(ADDR_BROADCAST, {500, 50, 0, 0}),
         {0xA5, 0xFF, 0x01, 0x32, 0x32, 0xFF, 0x08}},
        {"no feedback ignores polarity",
         BuildUnlockFrame(ADDR_BROADCAST, {500, 50, 0, 1}),
         {0xA5, 0xFF, 0x01, 0x32, 0x32, 0xFF, 0x08}},
        {"polarity 1",
         BuildUnlockFrame(ADDR_BROADCAST, {500, 50, 1, 1}),
         {0xA5, 0xFF, 0x01, 0x32, 0x32, 0x01, 0x0A}},
        {"checksum wraps",
         BuildUnlockFrame(ADDR_BROADCAST, {2540, 255, 1, 1}),
         {0xA5, 0xFF, 0x01, 0xFE, 0xFF, 0x01, 0xA3}},
        {"2539 ms truncates",
         BuildUnlockFrame(ADDR_BROADCAST, {2539, 255, 1, 1}),
         {0xA5, 0xFF, 0x01, 0xFD, 0xFF, 0x01, 0xA2}},
        {"9 ms is 0",
         BuildUnlockFrame(0x05, {9, 0, 1, 0}),
         {0xA5, 0x05, 0x01, 0x00, 0x00, 0x00, 0xAB}},
        {"505 ms is 50",
         BuildUnlockFrame(0x05, {505, 50, 1, 0}),
         {0xA5, 0x05, 0x01, 0x32, 0x32, 0x00, 0x0F}},
        {"single status 05", BuildStatusFrame(0x05), {0xA5, 0x05, 0x00, 0x00, 0x00, 0x00, 0xAA}},
        {"single unlock 05",
         BuildUnlockFrame(0x05, kDefaults),
         {0xA5, 0x05, 0x01, 0x32, 0x32, 0x00, 0x0F}},
    };
    for (const FrameCase& c : cases) {
        EXPECT_EQ(c.built, c.expected) << c.name;
    }
}

TEST(ReplyFrame, ChecksumCoversTheHead) {
    EXPECT_EQ(BuildReplyFrame(0x03, CMD_GET_STATUS, 0x01),
              (ReplyFrame{0x5A, 0x03, 0x00, 0x01, 0x5E}));
    const uint8_t wraps[] = {0xA5, 0xFF};
    EXPECT_EQ(FrameChecksum(wraps, 2), 0xA4);
}

}  // namespace
