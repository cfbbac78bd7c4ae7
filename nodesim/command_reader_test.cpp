#include "nodesim/command_reader.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr std::size_t kLimit = 16;

struct Recorder {
    std::vector<std::string> lines;
    int tooLong = 0;
    CommandReader reader{kLimit, [this](const std::string& line) { lines.push_back(line); },
                         [this] { ++tooLong; }};
};

TEST(CommandReaderTest, LinesMayEndInAnyPiece) {
    const struct {
        std::vector<std::string> pieces;
        std::vector<std::string> lines;
    } cases[] = {
        {{"close all\n"}, {"close all"}},
        {{"clo", "se 0", "3\nclose", " all\n"}, {"close 03", "close all"}},
        {{"\n\nx\n"}, {"", "", "x"}},
        {{"no end yet"}, {}},
        {{std::string(kLimit, 'a') + "\n"}, {std::string(kLimit, 'a')}},
    };
    for (const auto& c : cases) {
        Recorder r;
        for (const std::string& piece : c.pieces) {
            r.reader.Feed(piece);
        }
        EXPECT_EQ(r.lines, c.lines) << ::testing::PrintToString(c.pieces);
        EXPECT_EQ(r.tooLong, 0);
    }
}

TEST(CommandReaderTest, OverlongLineIsDroppedWholeAndTheNextOneRead) {
    Recorder r;
    r.reader.Feed("close 0");
    r.reader.Feed(std::string(kLimit, '1'));
    r.reader.Feed("2\nclose all\n");
    EXPECT_EQ(r.lines, std::vector<std::string>{"close all"});
    EXPECT_EQ(r.tooLong, 1);
}

// Megabytes without a line end: memory stays within the limit, and the time linear (a reader
// that searched its whole pending text per piece would take minutes here).
TEST(CommandReaderTest, EightMegabytesWithoutALineEndKeepWithinTheLimit) {
    Recorder r;
    const std::string piece(4096, 'x');
    for (int i = 0; i < 2048; ++i) {
        r.reader.Feed(piece);
        ASSERT_LE(r.reader.Pending(), kLimit);
    }
    r.reader.Feed("\nclose all\n");
    EXPECT_EQ(r.lines, std::vector<std::string>{"close all"});
    EXPECT_EQ(r.tooLong, 1);
}

}  // namespace
