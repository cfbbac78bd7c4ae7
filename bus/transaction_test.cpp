// The transactions over a pseudo-terminal, with simulated nodes at the far end.
#include <fcntl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <optional>
#include <regex>
#include <thread>

#include "bus/testing/log_text.h"
#include "bus/testing/expected_log.h"
#include "bus/transaction_loop.h"
#include "bus/transactions.h"
#include "nodesim/node_sim.h"
#include "protocol/reply_parser.h"
#include "serial/serial.h"
#include "serial/tick.h"
#include "worker/testing/recording_console.h"

namespace {

using Lines = std::vector<std::string>;
using Clock = std::chrono::steady_clock;

using expected_log::kGroupStatusAnnouncement;
using expected_log::kUnlockNotes;

Lines Concat(Lines a, const Lines& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

using expected_log::FrameLines;

void ExpectLog(const Lines& actual, const Lines& expected) {
    EXPECT_TRUE(expected_log::LogMatches(actual, expected));
}

class BusTest : public ::testing::Test {
  protected:
    void StartBus(NodeSimConfig config) {
        config.registerPort = false;
        NodeSimObserver observer;
        observer.hostFrame = [this](const HostFrame&, auto) { ++m_hostFrames; };
        m_sim = NodeSim::Start(config, observer);
        ASSERT_TRUE(m_sim);
        g_hComm = SerialOpen(m_sim->PortPath(), 115200, 8, kSerialParityNone, kSerialOneStopBit);
        ASSERT_NE(g_hComm, kInvalidSerialHandle);
        ResetProcessParser();
    }

    void TearDown() override {
        SerialClose(g_hComm);
        g_hComm = kInvalidSerialHandle;
        SetTickOffset(0);
    }

    // A frame cut off by an earlier test would swallow this test's first bytes.
    static void ResetProcessParser() {
        uint8_t head, address, command, param[3];
        for (std::size_t i = 0; i < kHostFrameSize; ++i) {
            ParseReplyByte(0x00, head, address, command, param);
        }
    }

    // Runs a transaction and gives its wall time in milliseconds.
    long Timed(TransactionEnd (*transaction)(IOperatorConsole&)) {
        const auto start = Clock::now();
        transaction(Console());
        return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    }

    ControlParameters& Params() { return Console().Parameters(); }

    RecordingConsole& Console() { return *m_console; }

    std::unique_ptr<RecordingConsole> m_console = std::make_unique<RecordingConsole>();
    std::unique_ptr<NodeSim> m_sim;
    std::atomic<int> m_hostFrames{0};
};

NodeSimConfig Nodes(AddressSet nodes) {
    NodeSimConfig config;
    config.nodes = std::move(nodes);
    return config;
}

TEST_F(BusTest, GroupStatusWorkedExample) {
    NodeSimConfig config = Nodes({0x00, 0x01, 0x02});
    config.openLocks = {0x01};
    StartBus(config);
    Params().m_byMaxAddr = 0x02;

    GroupGetStatus(Console());

    ExpectLog(
        Console().Log(),
        Concat(Concat(Concat(Concat(kGroupStatusAnnouncement,
                                    FrameLines("5A 00 00 00 5A ",
                                               "header=5A,addr=00,cmd=00,rsp_param[0]=00")),
                             FrameLines("5A 01 00 01 5C ",
                                        "header=5A,addr=01,cmd=00,rsp_param[0]=01")),
                      FrameLines("5A 02 00 00 5C ", "header=5A,addr=02,cmd=00,rsp_param[0]=00")),
               {kLogLastNode, "[--完毕：群体获取状态--]"}));
    EXPECT_EQ(Console().Cells(), (std::map<int, std::string>{{0, "闭"}, {1, "开"}, {2, "闭"}}));
}

TEST_F(BusTest, NoiseIsCappedInTheRawLineAndBackToBackFramesEachGetTheirOwnLines) {
    NodeSimConfig config = Nodes({0x00, 0x01});
    config.noiseBytes = 20;
    config.lateFor = {{0x00, std::chrono::milliseconds(5)}};  // node 00 lands on node 01's heels
    StartBus(config);
    Params().m_byMaxAddr = 0x01;

    GroupGetStatus(Console());

    const Lines log = Console().Log();
    ASSERT_EQ(log.size(), 6u + 8u + 2u);
    const std::regex sixteenBytes("原始数据为：([0-9A-F]{2} ){16},时间 [0-9]+ms");
    EXPECT_TRUE(std::regex_match(log[7], sixteenBytes)) << log[7];
    EXPECT_TRUE(std::regex_match(log[11], std::regex("原始数据为：5A 01 00 00 5B ,时间 [0-9]+ms")))
        << log[11];
    EXPECT_EQ(Console().Cells(), (std::map<int, std::string>{{0, "闭"}, {1, "闭"}}));
}

TEST_F(BusTest, EchoedBroadcastIsReportedAndEndsThePoll) {
    NodeSimConfig config = Nodes({0x00});
    config.echo = true;
    StartBus(config);
    Params().m_byMaxAddr = 0xFE;

    GroupGetStatus(Console());

    ExpectLog(Console().Log(),
              Concat(Concat(kGroupStatusAnnouncement,
                            FrameLines("A5 FF 00 00 00 00 A4 ",
                                       "header=A5,addr=FF,cmd=00,rsp_param[0]=00,rsp_param[1]=00,"
                                       "rsp_param[2]=00")),
                     {kLogHostFrameReceived, kLogLastNode, "[--完毕：群体获取状态--]"}));
    EXPECT_TRUE(Console().Cells().empty()) << "a host-headed frame never touches the table";
}

TEST_F(BusTest, EndRuleStopsAtTheMaxAddressOrAbove) {
    struct Case {
        const char* name;
        AddressSet nodes;
        bool reverse;
        uint8_t maxAddr;
        std::map<int, std::string> cells;
    };
    const Case cases[] = {
        {"out of order: the max address first", {0x00, 0x01, 0x02}, true, 0x02, {{2, "闭"}}},
        {"a reply above the max address", {0x05}, false, 0x02, {{5, "闭"}}},
        {"max address 00: any first frame", {0x03, 0x04}, false, 0x00, {{3, "闭"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        NodeSimConfig config = Nodes(c.nodes);
        config.reverseOrder = c.reverse;
        StartBus(config);
        m_console = std::make_unique<RecordingConsole>();
        Params().m_byMaxAddr = c.maxAddr;

        GroupGetStatus(Console());

        const Lines log = Console().Log();
        ASSERT_EQ(log.size(), 6u + 4u + 2u);
        EXPECT_EQ(log[10], kLogLastNode);
        EXPECT_EQ(Console().Cells(), c.cells);
        TearDown();
    }
}

TEST_F(BusTest, DeadlineEndsAPollWithoutReplies) {
    StartBus(Nodes({}));
    Params().m_byMaxAddr = 0x02;  // 215 ms

    const long wallMs = Timed(GroupGetStatus);

    ExpectLog(Console().Log(),
              Concat(kGroupStatusAnnouncement, {kLogDeadline, "[--完毕：群体获取状态--]"}));
    EXPECT_GE(wallMs, 214);
    EXPECT_LT(wallMs, 2000);
}

TEST_F(BusTest, TickCounterWrapDuringThePollKeepsTheDeadline) {
    StartBus(Nodes({}));
    SetTickOffset(0);
    SetTickOffset(static_cast<uint32_t>(0u - 60u - TickNow()));  // wraps 60 ms in
    Params().m_byMaxAddr = 0x00;                                 // 205 ms

    const long wallMs = Timed(GroupGetStatus);

    EXPECT_EQ(Console().Log().back(), "[--完毕：群体获取状态--]");
    EXPECT_GE(wallMs, 204) << "the wrap must not end the wait early";
    EXPECT_LT(wallMs, 2000);
}

using Transaction = TransactionEnd (*)(IOperatorConsole&);

// A write that fails on a device that is still there (here one that refuses every byte) is a
// write error: the box, and no end line.
TEST_F(BusTest, ShortWriteShowsTheErrorAndEndsWithoutAnEndLine) {
    struct Case {
        const char* name;
        Transaction transaction;
        std::size_t lines;
    };
    const Case cases[] = {
        {"group status", GroupGetStatus, 6},
        {"group unlock", GroupUnlock, 10},
        {"single status", SingleGetStatus, 3},
        {"single unlock", SingleUnlock, 9},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        g_hComm = open("/dev/full", O_RDWR | O_CLOEXEC);
        ASSERT_GE(g_hComm, 0);
        m_console = std::make_unique<RecordingConsole>();

        EXPECT_EQ(c.transaction(Console()), TransactionEnd::Ended);

        EXPECT_EQ(Console().Log().size(), c.lines);
        EXPECT_EQ(Console().Messages(), Lines{kMsgWriteError});
        TearDown();
    }
}

// An adapter pulled out: whatever the transaction was doing (writing its frame, waiting for
// replies, between replies) it ends at once with the lines it had, without an end line and
// without a box of its own; the one who runs it tells the operator.
TEST_F(BusTest, HangUpEndsTheRunAtOnceWithItsLinesSoFar) {
    using std::chrono::milliseconds;
    struct Case {
        const char* name;
        Transaction transaction;
        AddressSet nodes;
        std::optional<milliseconds> hangUpAfter;  // from the start; none: before the send
        std::size_t lines;
    };
    const Case cases[] = {
        {"poll, during the write", GroupGetStatus, {0x00}, std::nullopt, 6},
        {"poll, after 16 replies", GroupGetStatus, *ParseAddressList("00-0f"), milliseconds(250),
         6 + 16 * 4},
        {"group unlock, after 4 replies",
         GroupUnlock,
         {0x00, 0x01, 0x02, 0x03},
         milliseconds(250),
         10 + 4 * 4},
        {"single status, waiting", SingleGetStatus, {}, milliseconds(100), 3},
        {"single unlock, waiting", SingleUnlock, {}, milliseconds(100), 9},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StartBus(Nodes(c.nodes));
        m_console = std::make_unique<RecordingConsole>();
        Params().m_byMaxAddr = 0xFE;
        Params().m_bySelAddr = 0x05;
        Params().m_nInterval = c.transaction == GroupUnlock ? 20 : 255;
        Clock::time_point hungUp = Clock::now();
        std::thread puller;
        if (c.hangUpAfter) {
            puller = std::thread([&] {
                std::this_thread::sleep_for(*c.hangUpAfter);
                hungUp = Clock::now();
                m_sim->Stop();
            });
        } else {
            m_sim->Stop();
            hungUp = Clock::now();
        }

        const TransactionEnd end = c.transaction(Console());
        const auto ended = Clock::now();
        if (puller.joinable()) {
            puller.join();
        }

        EXPECT_EQ(end, TransactionEnd::PortHungUp);
        EXPECT_LT(ended - hungUp, milliseconds(200)) << "it ran on after the hang-up";
        EXPECT_EQ(Console().Log().size(), c.lines);
        EXPECT_TRUE(Console().Messages().empty());
        TearDown();
    }
}

TEST_F(BusTest, UnlockSendLinesFollowTheParameters) {
    struct Case {
        const char* name;
        TransactionEnd (*transaction)(IOperatorConsole&);
        int32_t maxOnTime, interval, feedback, polarity;
        const char* sendLine;
    };
    const Case cases[] = {
        {"group defaults", GroupUnlock, 500, 50, 1, 0, "->串口发送:A5,FF,01,32,32,00,09"},
        {"group no feedback", GroupUnlock, 500, 50, 0, 1, "->串口发送:A5,FF,01,32,32,FF,08"},
        {"group polarity 1", GroupUnlock, 500, 50, 1, 1, "->串口发送:A5,FF,01,32,32,01,0A"},
        {"group 2540 ms, 255 ms", GroupUnlock, 2540, 255, 1, 1, "->串口发送:A5,FF,01,FE,FF,01,A3"},
        {"group 9 ms", GroupUnlock, 9, 50, 1, 0, "->串口发送:A5,FF,01,00,32,00,D7"},
        {"group 505 ms", GroupUnlock, 505, 50, 1, 0, "->串口发送:A5,FF,01,32,32,00,09"},
        {"group interval 0", GroupUnlock, 500, 0, 1, 0, "->串口发送:A5,FF,01,32,00,00,D7"},
        {"single defaults", SingleUnlock, 500, 50, 1, 0, "->串口发送:A5,05,01,32,32,00,0F"},
        {"single no feedback", SingleUnlock, 500, 50, 0, 0, "->串口发送:A5,05,01,32,32,FF,0E"},
        {"single interval 0", SingleUnlock, 500, 0, 1, 0, "->串口发送:A5,05,01,32,00,00,DD"},
        {"single status", SingleGetStatus, 500, 50, 1, 0, "->串口发送:A5,05,00,00,00,00,AA"},
    };
    StartBus(Nodes({0x00, 0x05}));
    for (const Case& c : cases) {
        m_console = std::make_unique<RecordingConsole>();
        Params().m_byMaxAddr = 0x00;  // the first reply ends the run
        Params().m_bySelAddr = 0x05;
        Params().m_nMaxOnTime = c.maxOnTime;
        Params().m_nInterval = c.interval;
        Params().m_bFeedback = c.feedback;
        Params().m_nPolarity = c.polarity;

        c.transaction(Console());

        const Lines log = Console().Log();
        ASSERT_GE(log.size(), 2u) << c.name;
        EXPECT_EQ(log[1], c.sendLine) << c.name;
        EXPECT_TRUE(Console().Cells().empty() || c.transaction == SingleGetStatus) << c.name;
    }
}

TEST_F(BusTest, GroupUnlockWorkedExample) {
    StartBus(Nodes({0x00, 0x01}));
    Params().m_byMaxAddr = 0x01;  // D = 300 ms

    GroupUnlock(Console());

    const Lines announcement = Concat(
        Concat({"[群体开锁]", "->串口发送:A5,FF,01,32,32,00,09", ":!!!群体开锁，瞬时功率极大"},
               kUnlockNotes),
        {"单节点的开锁时间为开锁间隔时间(最小开锁时间),群体开锁的最大等待时间为 (最大地址+1)*"
         "开锁间隔时间，再加上一个额外的操作系统非实时延迟余量"});
    ExpectLog(
        Console().Log(),
        Concat(Concat(Concat(announcement, FrameLines("5A 00 01 00 5B ",
                                                      "header=5A,addr=00,cmd=01,rsp_param[0]=00")),
                      FrameLines("5A 01 01 00 5C ", "header=5A,addr=01,cmd=01,rsp_param[0]=00")),
               {kLogLastNode, "[--完毕：群体开锁--]"}));
    EXPECT_TRUE(Console().Cells().empty()) << "an unlock never writes the node table";
}

TEST_F(BusTest, SingleStatusWorkedExampleRunsToItsDeadline) {
    StartBus(Nodes({0x05}));
    Params().m_byMaxAddr = 0xFE;
    Params().m_bySelAddr = 0x05;

    const long wallMs = Timed(SingleGetStatus);

    ExpectLog(
        Console().Log(),
        Concat(Concat({"[单点获取状态]", "->串口发送:A5,05,00,00,00,00,AA",
                       ":单点获取状态只需要等待一个节点时间"},
                      FrameLines("5A 05 00 00 5F ", "header=5A,addr=05,cmd=00,rsp_param[0]=00")),
               {kLogDeadline, "[--完毕：单点获取状态--]"}));
    EXPECT_EQ(Console().Cells(), (std::map<int, std::string>{{5, "闭"}}));
    EXPECT_GE(wallMs, 249);
    EXPECT_LT(wallMs, 2000);
}

TEST_F(BusTest, SingleNodeEndRuleComparesWithTheMaxAddress) {
    struct Case {
        const char* name;
        Transaction transaction;
        uint8_t node, maxAddr;
        const char* ending;
    };
    const Case cases[] = {
        {"below the max address: the deadline", SingleGetStatus, 0x05, 0xFE, kLogDeadline},
        {"at the max address", SingleGetStatus, 0xFD, 0xFD, kLogLastNode},
        {"before any group operation", SingleGetStatus, 0x05, 0x00, kLogLastNode},
        {"unlock before any group operation", SingleUnlock, 0x05, 0x00, kLogLastNode},
        {"unlock below the max address", SingleUnlock, 0x05, 0xFE, kLogDeadline},
    };
    StartBus(Nodes({0x05, 0xFD}));
    for (const Case& c : cases) {
        m_console = std::make_unique<RecordingConsole>();
        Params().m_bySelAddr = c.node;
        Params().m_byMaxAddr = c.maxAddr;

        c.transaction(Console());

        const Lines log = Console().Log();
        ASSERT_GE(log.size(), 2u) << c.name;
        EXPECT_EQ(log[log.size() - 2], c.ending) << c.name;
    }
}

TEST_F(BusTest, OutOfRangeParametersAreRefusedWithoutAFrame) {
    struct Case {
        const char* name;
        TransactionEnd (*transaction)(IOperatorConsole&);
        int32_t maxOnTime, interval;
        Lines log;
    };
    const Case cases[] = {
        {"group unlock, 3000 ms",
         GroupUnlock,
         3000,
         50,
         {"[群体开锁]", "!!--参数超出范围：开锁最长通电时间 3000ms 不在 0~2540ms 之内，不发送--!!",
          "[--完毕：群体开锁--]"}},
        {"single unlock, interval -300",
         SingleUnlock,
         500,
         -300,
         {"[单点开锁]", "!!--参数超出范围：开锁间隔时间 -300ms 不在 0~255ms 之内，不发送--!!",
          "[--完毕：单点开锁--]"}},
        {"single status, interval 256",
         SingleGetStatus,
         500,
         256,
         {"[单点获取状态]", "!!--参数超出范围：开锁间隔时间 256ms 不在 0~255ms 之内，不发送--!!",
          "[--完毕：单点获取状态--]"}},
    };
    StartBus(Nodes({0x05}));
    for (const Case& c : cases) {
        m_console = std::make_unique<RecordingConsole>();
        Params().m_nMaxOnTime = c.maxOnTime;
        Params().m_nInterval = c.interval;

        c.transaction(Console());

        EXPECT_EQ(Console().Log(), c.log) << c.name;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(m_hostFrames, 0) << "nothing went on the wire";
}

}  // namespace
