#include "protocol/reply_parser.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// The index of every byte that completed a frame, with the frames themselves.
struct FeedResult {
    std::vector<std::size_t> completedAt;
    std::vector<ParsedFrame> frames;
};

FeedResult FeedAll(ReplyParser& parser, const std::vector<uint8_t>& bytes) {
    FeedResult result;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        ParsedFrame frame{};
        if (parser.Feed(bytes[i], frame)) {
            result.completedAt.push_back(i);
            result.frames.push_back(frame);
        }
    }
    return result;
}

TEST(ReplyParser, RecognisesAHostHeadedFrameAtItsSeventhByte) {
    ReplyParser parser;
    const FeedResult r = FeedAll(parser, {0xA5, 0xFF, 0x00, 0x00, 0x00, 0x00, 0xA4});
    ASSERT_EQ(r.completedAt, std::vector<std::size_t>{6});
    EXPECT_EQ(r.frames[0].head, 0xA5);
    EXPECT_EQ(r.frames[0].address, 0xFF);
    EXPECT_EQ(r.frames[0].command, 0x00);
    EXPECT_EQ(r.frames[0].param, (std::array<uint8_t, 3>{0, 0, 0}));
}

struct StreamCase {
    const char* name;
    std::vector<uint8_t> bytes;
    std::vector<std::size_t> completedAt;
    uint8_t stateAfter;
};

TEST(ReplyParser, FindsFramesInAStream) {
    const StreamCase cases[] = {
        {"reply", {0x5A, 0x03, 0x00, 0x01, 0x5E}, {4}, 0},
        {"bad checksum returns to hunting", {0x5A, 0x03, 0x00, 0x01, 0x5F}, {}, 0},
        {"leading noise skipped", {0x00, 0x37, 0x5A, 0x10, 0x00, 0x00, 0x6A}, {6}, 0},
        // The first 5A swallows the genuine reply; its checksum byte 01 fails and 5E is dropped.
        {"head inside a frame is data", {0x5A, 0x5A, 0x03, 0x00, 0x01, 0x5E}, {}, 0},
        {"wrapping checksum", {0xA5, 0xFF, 0x01, 0xFE, 0xFF, 0x01, 0xA3}, {6}, 0},
        {"back to back", {0x5A, 0x00, 0x00, 0x00, 0x5A, 0x5A, 0x01, 0x00, 0x01, 0x5C}, {4, 9}, 0},
        // A mismatching checksum byte is consumed, not taken as the next head.
        {"failed checksum byte is not a head",
         {0x5A, 0x00, 0x00, 0x01, 0x5A, 0x01, 0x00, 0x01, 0x5C},
         {},
         0},
        {"cut off mid frame", {0x5A, 0x03}, {}, 2},
    };
    for (const StreamCase& c : cases) {
        ReplyParser parser;
        EXPECT_EQ(FeedAll(parser, c.bytes).completedAt, c.completedAt) << c.name;
        EXPECT_EQ(parser.State(), c.stateAfter) << c.name;
    }
}

TEST(ReplyParser, ReplyKeepsParametersOneAndTwoFromAnEarlierHostFrame) {
    ReplyParser parser;
    FeedAll(parser, {0xA5, 0xFF, 0x01, 0x32, 0x32, 0x01, 0x0A});
    const FeedResult r = FeedAll(parser, {0x5A, 0x03, 0x00, 0x01, 0x5E});
    ASSERT_EQ(r.frames.size(), 1u);
    EXPECT_EQ(r.frames[0].param, (std::array<uint8_t, 3>{0x01, 0x32, 0x01}));
}

TEST(ParseReplyByte, StateSurvivesBetweenCallsAndLeavesOutputsAloneUntilAFrameCompletes) {
    uint8_t head = 0xEE, address = 0xEE, command = 0xEE;
    uint8_t param[3] = {0xEE, 0xEE, 0xEE};
    // Whatever an earlier test left: at most six bytes finish a frame, the rest are dropped.
    for (int i = 0; i < 7; ++i) {
        ParseReplyByte(0x00, head, address, command, param);
    }
    head = address = command = 0xEE;

    EXPECT_FALSE(ParseReplyByte(0x5A, head, address, command, param));
    EXPECT_FALSE(ParseReplyByte(0x03, head, address, command, param));
    EXPECT_EQ(head, 0xEE) << "outputs are written only for a completed frame";
    // A later transaction's bytes complete the frame.
    EXPECT_FALSE(ParseReplyByte(0x00, head, address, command, param));
    EXPECT_FALSE(ParseReplyByte(0x01, head, address, command, param));
    EXPECT_TRUE(ParseReplyByte(0x5E, head, address, command, param));
    EXPECT_EQ(head, 0x5A);
    EXPECT_EQ(address, 0x03);
    EXPECT_EQ(command, 0x00);
    EXPECT_EQ(param[0], 0x01);
}

}  // namespace
