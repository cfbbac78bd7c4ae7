// The acceptance run over a pseudo-terminal, with simulated nodes at the far end: every
// verdict and reason, the frames on the wire and the times between them.
#include "acceptance/acceptance_run.h"

#include <gtest/gtest.h>

#include <mutex>

#include "acceptance/verdict.h"
#include "bus/testing/log_text.h"
#include "nodesim/node_sim.h"
#include "protocol/reply_parser.h"
#include "serial/serial.h"
#include "worker/testing/recording_console.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Reasons = std::vector<Reason>;

struct WireFrame {
    HostFrame frame;
    Clock::time_point received;
};

class AcceptanceRunTest : public ::testing::Test {
  protected:
    void StartBus(NodeSimConfig config) {
        config.registerPort = false;
        NodeSimObserver observer;
        observer.hostFrame = [this](const HostFrame& frame, Clock::time_point received) {
            std::lock_guard lock(m_mutex);
            m_wire.push_back({frame, received});
        };
        m_sim = NodeSim::Start(config, observer);
        ASSERT_TRUE(m_sim);
        g_hComm = SerialOpen(m_sim->PortPath(), 115200, 8, kSerialParityNone, kSerialOneStopBit);
        ASSERT_NE(g_hComm, kInvalidSerialHandle);
        // A frame cut off by an earlier test would swallow this test's first bytes.
        uint8_t head, address, command, param[3];
        for (std::size_t i = 0; i < kHostFrameSize; ++i) {
            ParseReplyByte(0x00, head, address, command, param);
        }
    }

    void TearDown() override {
        SerialClose(g_hComm);
        g_hComm = kInvalidSerialHandle;
    }

    AcceptanceResult RunOn(const std::string& expected, AcceptanceSettings settings = {},
                           const AcceptanceControl& control = {}) {
        AcceptanceRequest request;
        request.expected = *ParseAddressList(expected);
        request.settings = settings;
        request.tool = "acceptance_test";
        return RunAcceptance(m_console, request, control);
    }

    std::vector<WireFrame> Wire() {
        std::lock_guard lock(m_mutex);
        return m_wire;
    }

    RecordingConsole m_console;
    std::unique_ptr<NodeSim> m_sim;
    std::mutex m_mutex;
    std::vector<WireFrame> m_wire;
};

const NodeResult& Node(const AcceptanceResult& result, uint8_t address) {
    for (const NodeResult& node : result.nodes) {
        if (node.address == address) {
            return node;
        }
    }
    throw std::runtime_error("no such node in the result");
}

long MsBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(to - from).count();
}

// One bus with a fault of every kind the scan and the unlock can show.
NodeSimConfig FaultyCabinet() {
    NodeSimConfig config;
    config.nodes = *ParseAddressList("00-06,20");
    config.duplicates = {0x01};
    config.openLocks = {0x02};
    config.jammed = {0x03};
    config.lateFor[0x04] = 300ms;  // heard in the long scan, too late for the short exchanges
    config.silent = {0x05};
    return config;
}

// `lateNode`: the reasons of the node whose replies are late, which depend on the mode.
void ExpectVerdicts(const AcceptanceResult& result, const Reasons& lateNode) {
    const struct {
        uint8_t address;
        Verdict verdict;
        Reasons reasons;
    } expected[] = {
        {0x00, Verdict::Pass, {}},
        {0x01, Verdict::Fail, {Reason::DuplicateAddress}},
        {0x02, Verdict::Fail, {Reason::OpenBefore}},
        {0x03, Verdict::Fail, {Reason::DidNotOpen}},
        {0x04, Verdict::Fail, lateNode},
        {0x05, Verdict::Fail, {Reason::NoReply}},
        {0x06, Verdict::Pass, {}},
        {0x08, Verdict::Fail, {Reason::NoReply}},
        {0x20, Verdict::Unexpected, {}},
    };
    ASSERT_EQ(result.nodes.size(), std::size(expected));
    for (const auto& e : expected) {
        SCOPED_TRACE(testing::Message() << "node " << int(e.address));
        const NodeResult& node = Node(result, e.address);
        EXPECT_EQ(node.verdict, e.verdict);
        EXPECT_EQ(node.reasons, e.reasons);
    }
    EXPECT_TRUE(result.Complete());
    EXPECT_FALSE(result.passed);
    EXPECT_EQ(result.summary.expected, 8);
    EXPECT_EQ(result.summary.passed, 2);
    EXPECT_EQ(result.summary.failed, 6);
    EXPECT_EQ(result.summary.unexpected, 1);
}

TEST_F(AcceptanceRunTest, EachModeGivesEveryVerdictAndReason) {
    StartBus(FaultyCabinet());
    const AcceptanceResult result = RunOn("00-06,08");
    ExpectVerdicts(result, {Reason::NoUnlockReply, Reason::NoStatusReply});
    const NodeResult& duplicate = Node(result, 0x01);
    EXPECT_EQ(duplicate.scanReplies, 2);
    EXPECT_EQ(Node(result, 0x00).scanState, LockState::Locked);
    EXPECT_EQ(Node(result, 0x00).afterState, LockState::Open);
    EXPECT_EQ(Node(result, 0x20).unlockReply, std::nullopt) << "a stranger is not unlocked";
    EXPECT_LE(*Node(result, 0x20).scanReplyMs, 1475u);
    EXPECT_GE(*Node(result, 0x20).scanReplyMs, 0x20u * 5);
}

TEST_F(AcceptanceRunTest, GroupModeGivesTheSameVerdicts) {
    StartBus(FaultyCabinet());
    AcceptanceSettings group;
    group.mode = AcceptanceMode::Group;
    // The broadcast's deadline allows an interval per address up to 08: 04's late unlock reply
    // still comes in time, its late poll reply does not.
    ExpectVerdicts(RunOn("00-06,08", group), {Reason::NoStatusReply});
}

TEST_F(AcceptanceRunTest, EachModeSendsUnlockThenQueryPerNodeAndQueriesAfterTheEnergisingTime) {
    NodeSimConfig config;
    config.nodes = {0x00, 0x01};
    config.openTime = 400ms;  // slow locks: a query before 400 ms would find them shut
    StartBus(config);
    m_console.Parameters().m_byMaxAddr = 0x3C;

    const AcceptanceResult result = RunOn("00-01");

    EXPECT_TRUE(result.passed);
    const std::vector<WireFrame> wire = Wire();
    const std::vector<HostFrame> frames = {
        BuildStatusFrame(ADDR_BROADCAST), BuildUnlockFrame(0x00, {500, 50, 1, 0}),
        BuildStatusFrame(0x00),           BuildUnlockFrame(0x01, {500, 50, 1, 0}),
        BuildStatusFrame(0x01),
    };
    ASSERT_EQ(wire.size(), frames.size());
    for (std::size_t i = 0; i < frames.size(); ++i) {
        EXPECT_EQ(wire[i].frame, frames[i]) << i;
    }
    for (const std::size_t unlock : {1u, 3u}) {
        // Times as the far end saw the frames: the unlock may reach it a little late.
        EXPECT_GE(MsBetween(wire[unlock].received, wire[unlock + 1].received), 500 - 20);
        EXPECT_LT(MsBetween(wire[unlock].received, wire[unlock + 1].received), 500 + 250);
    }
    const std::vector<std::string> log = m_console.Log();
    EXPECT_EQ(log.front(), "[验收测试]");
    EXPECT_EQ(log.back(), "[--完毕：验收测试--]");
    // The node's own address as max address: each single-node exchange ends at its reply.
    EXPECT_EQ(std::count(log.begin(), log.end(), kLogLastNode), 4);
    EXPECT_EQ(m_console.Parameters().m_byMaxAddr, 0x3C) << "the operator's max address stays";
    EXPECT_EQ(m_console.Cells().at(0x01), kCellOpen) << "the node table shows the query";
}

TEST_F(AcceptanceRunTest, GroupModePollsOnceTheLastLockHasHadItsTime) {
    NodeSimConfig config;
    config.nodes = *ParseAddressList("00-07");
    config.openTime = 400ms;
    StartBus(config);
    AcceptanceSettings group;
    group.mode = AcceptanceMode::Group;

    const AcceptanceResult result = RunOn("00-07", group);

    EXPECT_TRUE(result.passed);
    const std::vector<WireFrame> wire = Wire();
    ASSERT_EQ(wire.size(), 3u);
    EXPECT_EQ(wire[1].frame, BuildUnlockFrame(ADDR_BROADCAST, {500, 50, 1, 0}));
    EXPECT_EQ(wire[2].frame, BuildStatusFrame(ADDR_BROADCAST));
    const long pollAfter = MsBetween(wire[1].received, wire[2].received);
    EXPECT_GE(pollAfter, 8 * 50 + 500 - 20);
    EXPECT_LT(pollAfter, 8 * 50 + 500 + 250);
}

TEST_F(AcceptanceRunTest, WithoutFeedbackNodesThatAnswerAreUnverified) {
    NodeSimConfig config;
    config.nodes = {0x00, 0x01};
    config.jammed = {0x01};
    StartBus(config);
    AcceptanceSettings noFeedback;
    noFeedback.feedback = 0;

    const AcceptanceResult result = RunOn("00-01", noFeedback);

    for (const NodeResult& node : result.nodes) {
        EXPECT_EQ(node.verdict, Verdict::Unverified) << int(node.address);
        EXPECT_EQ(node.scanState, std::nullopt);
        EXPECT_EQ(node.afterState, std::nullopt);
        EXPECT_EQ(node.statusReply, true);
    }
    EXPECT_FALSE(result.passed);
}

TEST_F(AcceptanceRunTest, CloseWaitPollsUntilEveryOpenedDoorIsShut) {
    NodeSimConfig config;
    config.nodes = {0x00, 0x01, 0x02};
    config.jammed = {0x02};
    StartBus(config);
    AcceptanceSettings settings;
    settings.closeWaitS = 3;
    settings.maxAddr = 0x02;
    AcceptanceControl control;
    // The technician shuts door 00 once the last node is done, and forgets door 01.
    control.progress = [this](const AcceptanceProgress& progress) {
        if (progress.done == progress.total) {
            m_sim->Close(0x00);
        }
    };

    const AcceptanceResult result = RunOn("00-02", settings, control);

    EXPECT_EQ(Node(result, 0x00).lockedAgain, true);
    EXPECT_EQ(Node(result, 0x00).verdict, Verdict::Pass);
    EXPECT_EQ(Node(result, 0x01).lockedAgain, false);
    EXPECT_EQ(Node(result, 0x01).reasons, Reasons{Reason::DidNotLockAgain});
    EXPECT_EQ(Node(result, 0x02).lockedAgain, std::nullopt) << "it never opened";
    // Polls at 0 and 2 s; one at 4 s would start after the 3 s wait.
    const std::vector<WireFrame> wire = Wire();
    ASSERT_EQ(wire.size(), 1u + 3u * 2u + 2u);
    EXPECT_EQ(wire[7].frame, BuildStatusFrame(ADDR_BROADCAST));
    const long period = MsBetween(wire[7].received, wire[8].received);
    EXPECT_GE(period, 2000 - 20);
    EXPECT_LT(period, 2000 + 250);
}

TEST_F(AcceptanceRunTest, CloseWaitEndsOnceEveryOpenedDoorIsShut) {
    NodeSimConfig config;
    config.nodes = {0x00};
    config.closeAfter = 1000ms;  // still open at the query and the first close poll
    StartBus(config);
    AcceptanceSettings settings;
    settings.closeWaitS = 60;
    settings.maxAddr = 0x00;

    const AcceptanceResult result = RunOn("00", settings);

    EXPECT_TRUE(result.passed);
    EXPECT_EQ(Node(result, 0x00).lockedAgain, true);
    EXPECT_EQ(Wire().size(), 5u) << "the second close poll found the door shut";
}

TEST_F(AcceptanceRunTest, AStopBetweenTransactionsEndsTheRunIncomplete) {
    StartBus(NodeSimConfig{});
    AcceptanceControl control;
    std::atomic<bool> stop{false};
    control.stopRequested = [&stop] { return stop.load(); };
    control.progress = [&stop](const AcceptanceProgress& progress) { stop = progress.done == 2; };

    const AcceptanceResult result = RunOn("00-0f", {}, control);

    EXPECT_EQ(result.end, AcceptanceEnd::Cancelled);
    EXPECT_FALSE(result.passed);
    EXPECT_EQ(Wire().size(), 1u + 2u * 2u);
    EXPECT_EQ(result.summary.passed, 2);
    EXPECT_EQ(result.summary.unverified, 14);
    EXPECT_EQ(m_console.Log().back(), "[--验收测试未完成--]");
}

TEST_F(AcceptanceRunTest, AHangUpEndsTheRunIncomplete) {
    NodeSimConfig config;
    config.nodes = {0x00, 0x01};
    config.hangupAfterFrames = 3;  // the first query
    StartBus(config);

    const AcceptanceResult result = RunOn("00-01");

    EXPECT_EQ(result.end, AcceptanceEnd::PortGone);
    EXPECT_FALSE(result.Complete());
    EXPECT_EQ(Node(result, 0x00).unlockReply, true);
    EXPECT_EQ(Node(result, 0x00).statusReply, std::nullopt) << "the cut query tells nothing";
    EXPECT_EQ(Node(result, 0x00).verdict, Verdict::Unverified);
}

}  // namespace
