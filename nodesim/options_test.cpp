#include <gtest/gtest.h>

#include <CLI/CLI.hpp>
#include <functional>

#include "nodesim/options.h"

namespace {

using namespace std::chrono_literals;

NodeSimOptions Parse(const std::string& commandLine) {
    CLI::App app;
    NodeSimOptions options;
    AddNodeSimOptions(app, options);
    app.parse(commandLine);
    return options;
}

TEST(NodeSimOptionsTest, DefaultsAreSixteenLockedNodesWithoutFaults) {
    const NodeSimOptions options = Parse("");
    const NodeSimConfig& c = options.config;
    EXPECT_EQ(c.nodes, NodeSimConfig::DefaultNodes());
    EXPECT_EQ(c.nodes.size(), 16u);
    EXPECT_TRUE(c.openLocks.empty());
    EXPECT_EQ(c.lockedLevel, 0);
    EXPECT_EQ(c.openTime, 20ms);
    EXPECT_FALSE(c.closeAfter);
    EXPECT_EQ(c.noiseBytes, 0u);
    EXPECT_FALSE(c.reverseOrder || c.echo);
    EXPECT_FALSE(c.hangupAfterFrames || c.hangupAfter);
    EXPECT_TRUE(c.registerPort);
    EXPECT_FALSE(options.verbose);
}

TEST(NodeSimOptionsTest, FillsTheConfig) {
    const struct {
        const char* commandLine;
        std::function<void(const NodeSimOptions&)> check;
    } cases[] = {
        {"--nodes 00-02,10 --open 01 --jammed 02",
         [](const NodeSimOptions& o) {
             EXPECT_EQ(o.config.nodes, (AddressSet{0x00, 0x01, 0x02, 0x10}));
             EXPECT_EQ(o.config.openLocks, AddressSet{0x01});
             EXPECT_EQ(o.config.jammed, AddressSet{0x02});
         }},
        {"--locked-level 1 --level 05=02 --level 06,07=ff",
         [](const NodeSimOptions& o) {
             EXPECT_EQ(o.config.lockedLevel, 1);
             EXPECT_EQ(o.config.levelOverride,
                       (std::map<uint8_t, uint8_t>{{0x05, 0x02}, {0x06, 0xFF}, {0x07, 0xFF}}));
         }},
        {"--open-time 35 --close-after 1000",
         [](const NodeSimOptions& o) {
             EXPECT_EQ(o.config.openTime, 35ms);
             EXPECT_EQ(o.config.closeAfter, 1000ms);
         }},
        {"--silent 03 --bad-checksum 04,05 --noise 20 --reverse --echo --duplicate 06-07",
         [](const NodeSimOptions& o) {
             EXPECT_EQ(o.config.silent, AddressSet{0x03});
             EXPECT_EQ(o.config.duplicates, (AddressSet{0x06, 0x07}));
             EXPECT_EQ(o.config.badChecksum, (AddressSet{0x04, 0x05}));
             EXPECT_EQ(o.config.noiseBytes, 20u);
             EXPECT_TRUE(o.config.reverseOrder);
             EXPECT_TRUE(o.config.echo);
         }},
        {"--late 15 --late 01,02:300",
         [](const NodeSimOptions& o) {
             EXPECT_EQ(o.config.lateAll, 15ms);
             EXPECT_EQ(o.config.lateFor, (std::map<uint8_t, std::chrono::milliseconds>{
                                             {0x01, 300ms}, {0x02, 300ms}}));
         }},
        {"--hangup-after-frames 3 --hangup-after-ms 2500 --no-register -v",
         [](const NodeSimOptions& o) {
             EXPECT_EQ(o.config.hangupAfterFrames, 3u);
             EXPECT_EQ(o.config.hangupAfter, 2500ms);
             EXPECT_FALSE(o.config.registerPort);
             EXPECT_TRUE(o.verbose);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.commandLine);
        c.check(Parse(c.commandLine));
    }
}

TEST(NodeSimOptionsTest, RejectsBadValues) {
    for (const char* commandLine :
         {"--nodes ff", "--open 0f-00", "--locked-level 2", "--level 05", "--level 05=100",
          "--level zz=01", "--open-time -5", "--open-time 0x10", "--close-after soon",
          "--noise 5000", "--late 05:", "--late 05:x", "--late ff:10", "--hangup-after-frames 0",
          "--hangup-after-ms 1e3", "--unknown"}) {
        SCOPED_TRACE(commandLine);
        EXPECT_THROW(Parse(commandLine), CLI::ParseError);
    }
}

}  // namespace
