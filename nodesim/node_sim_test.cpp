// The simulator seen from the host's side: real bytes through the serial code over its
// pseudo-terminal. Time bounds are one-sided where the simulator guarantees them (a reply is
// never early) and generous where the machine's load decides (how late it may be).
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <mutex>
#include <thread>

#include "nodesim/node_sim.h"
#include "protocol/reply_parser.h"
#include "serial/serial.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Ms = std::chrono::milliseconds;

// How much later than planned a reply may arrive on a loaded machine.
constexpr Ms kSlack = 250ms;
// How long to listen for replies that must not come.
constexpr Ms kQuiet = 150ms;

Ms Since(Clock::time_point start, Clock::time_point t) {
    return std::chrono::duration_cast<Ms>(t - start);
}

struct Heard {
    ParsedFrame frame;
    Clock::time_point at;
};

struct Reception {
    std::vector<uint8_t> raw;
    std::vector<Heard> replies;

    std::vector<uint8_t> Addresses() const {
        std::vector<uint8_t> addresses;
        for (const Heard& h : replies) {
            addresses.push_back(h.frame.address);
        }
        return addresses;
    }
};

// The host end: the port opened the way the application opens it.
class HostPort {
  public:
    explicit HostPort(const std::string& path) : m_handle(SerialOpen(path, 115200, 8, 0, 0)) {}
    ~HostPort() {
        if (m_handle != kInvalidSerialHandle) {
            SerialClose(m_handle);
        }
    }

    bool IsOpen() const { return m_handle != kInvalidSerialHandle; }

    Clock::time_point Send(const HostFrame& frame) {
        const auto sent = Clock::now();
        EXPECT_EQ(SerialWrite(m_handle, frame.data(), frame.size()), frame.size());
        return sent;
    }

    // Bytes until `frames` reply frames have been parsed or `limit` has passed.
    Reception Receive(std::size_t frames, Ms limit) {
        Reception got;
        const auto deadline = Clock::now() + limit;
        while (got.replies.size() < frames && Clock::now() < deadline) {
            const auto left = std::chrono::ceil<Ms>(deadline - Clock::now());
            SerialWaitReadable(m_handle, static_cast<uint32_t>(std::max<Ms::rep>(left.count(), 0)));
            ReadWaiting(got);
        }
        return got;
    }

    Reception ReceiveFor(Ms duration) { return Receive(SIZE_MAX, duration); }

    // Whether the line hangs up within `limit`.
    bool HangsUpWithin(Ms limit) {
        pollfd entry{m_handle, POLLIN, 0};
        const auto deadline = Clock::now() + limit;
        while (Clock::now() < deadline) {
            const auto left = std::chrono::ceil<Ms>(deadline - Clock::now());
            if (poll(&entry, 1, static_cast<int>(left.count())) > 0) {
                if ((entry.revents & POLLHUP) != 0) {
                    return true;
                }
                std::vector<uint8_t> sink(SerialBytesWaiting(m_handle) + 1);
                SerialRead(m_handle, sink.data(), static_cast<uint32_t>(sink.size() - 1));
            }
        }
        return false;
    }

  private:
    void ReadWaiting(Reception& got) {
        const uint32_t waiting = SerialBytesWaiting(m_handle);
        std::vector<uint8_t> bytes(waiting);
        const uint32_t count = SerialRead(m_handle, bytes.data(), waiting);
        const auto now = Clock::now();
        for (uint32_t i = 0; i < count; ++i) {
            got.raw.push_back(bytes[i]);
            ParsedFrame frame{};
            if (m_parser.Feed(bytes[i], frame) && frame.head == FRAME_HEAD_NODE) {
                got.replies.push_back({frame, now});
            }
        }
    }

    SerialHandle m_handle;
    ReplyParser m_parser;
};

struct EnergisingSeen {
    uint8_t address;
    Clock::time_point start;
    Ms duration;
};

class NodeSimTest : public ::testing::Test {
  protected:
    static NodeSimConfig Nodes(const char* addresses) {
        NodeSimConfig config;
        config.nodes = *ParseAddressList(addresses);
        config.registerPort = false;
        return config;
    }

    void Start(const NodeSimConfig& config) {
        m_host.reset();
        m_sim.reset();
        {
            const std::lock_guard lock(m_mutex);
            m_hostFrames.clear();
            m_written.clear();
            m_energisings.clear();
        }
        m_releases = 0;
        NodeSimObserver observer;
        observer.hostFrame = [this](const HostFrame& frame, Clock::time_point at) {
            const std::lock_guard lock(m_mutex);
            m_hostFrames.push_back({frame, at});
        };
        observer.replyWritten = [this](const ReplyFrame& reply, Clock::time_point at) {
            const std::lock_guard lock(m_mutex);
            m_written.push_back({reply, at});
        };
        observer.energised = [this](uint8_t address, Clock::time_point start, Ms duration) {
            const std::lock_guard lock(m_mutex);
            m_energisings.push_back({address, start, duration});
        };
        observer.abandonedHoldReleased = [this](Clock::time_point) { ++m_releases; };
        std::string error;
        m_sim = NodeSim::Start(config, observer, &error);
        ASSERT_TRUE(m_sim) << error;
        m_host = std::make_unique<HostPort>(m_sim->PortPath());
        ASSERT_TRUE(m_host->IsOpen()) << m_sim->PortPath();
    }

    // The service thread reports into this fixture until it ends.
    void TearDown() override {
        m_host.reset();
        m_sim.reset();
    }

    // Levels of a status broadcast answered by `count` nodes, in the order heard.
    std::vector<uint8_t> PollLevels(std::size_t count) {
        m_host->Send(BuildStatusFrame(ADDR_BROADCAST));
        const Reception got = m_host->Receive(count, count * 5ms + kSlack);
        std::vector<uint8_t> levels;
        for (const Heard& h : got.replies) {
            levels.push_back(h.frame.param[0]);
        }
        return levels;
    }

    std::vector<std::pair<HostFrame, Clock::time_point>> HostFrames() {
        const std::lock_guard lock(m_mutex);
        return m_hostFrames;
    }
    std::vector<std::pair<ReplyFrame, Clock::time_point>> Written() {
        const std::lock_guard lock(m_mutex);
        return m_written;
    }
    std::vector<EnergisingSeen> Energisings() {
        const std::lock_guard lock(m_mutex);
        return m_energisings;
    }

    // Whether the simulator released an abandoned hold within `limit`.
    bool ReleasedWithin(Ms limit) {
        const auto deadline = Clock::now() + limit;
        while (m_releases == 0 && Clock::now() < deadline) {
            std::this_thread::sleep_for(5ms);
        }
        return m_releases != 0;
    }

    std::unique_ptr<NodeSim> m_sim;
    std::unique_ptr<HostPort> m_host;
    std::atomic<int> m_releases{0};

  private:
    std::mutex m_mutex;
    std::vector<std::pair<HostFrame, Clock::time_point>> m_hostFrames;
    std::vector<std::pair<ReplyFrame, Clock::time_point>> m_written;
    std::vector<EnergisingSeen> m_energisings;
};

std::vector<uint8_t> Bytes(const ReplyFrame& frame) {
    return {frame.begin(), frame.end()};
}

TEST_F(NodeSimTest, StatusBroadcastIsAnsweredInAddressOrderOneWindowApart) {
    NodeSimConfig config = Nodes("00-02");
    config.openLocks = {0x01};
    Start(config);
    const HostFrame poll = BuildStatusFrame(ADDR_BROADCAST);
    const auto sent = m_host->Send(poll);
    const Reception got = m_host->Receive(3, 3 * 5ms + kSlack);

    EXPECT_EQ(got.raw, (std::vector<uint8_t>{0x5A, 0x00, 0x00, 0x00, 0x5A, 0x5A, 0x01, 0x00, 0x01,
                                             0x5C, 0x5A, 0x02, 0x00, 0x00, 0x5C}));
    ASSERT_EQ(got.replies.size(), 3u);
    for (std::size_t a = 0; a < 3; ++a) {
        SCOPED_TRACE(a);
        const Ms planned = Ms(a * 5 + 2);
        EXPECT_GE(Since(sent, got.replies[a].at), planned);
        EXPECT_LE(Since(sent, got.replies[a].at), planned + kSlack);
    }
    m_sim->Stop();  // the last reply may be parsed here before its observer call is done
    const auto frames = HostFrames();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].first, poll);
    const auto written = Written();
    ASSERT_EQ(written.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(written[i].first[1], i);
        EXPECT_GE(written[i].second - frames[0].second, Ms(i * 5 + 2));
    }
}

TEST_F(NodeSimTest, StatusLevelFollowsLockStateAndLockedLevel) {
    const struct {
        const char* name;
        uint8_t lockedLevel;
        bool open;
        std::optional<uint8_t> override;
        uint8_t expected;
    } cases[] = {
        {"locked reads 0", 0, false, {}, 0x00}, {"open reads 1", 0, true, {}, 0x01},
        {"locked reads 1", 1, false, {}, 0x01}, {"open reads 0", 1, true, {}, 0x00},
        {"raw level", 0, false, 0x02, 0x02},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        NodeSimConfig config = Nodes("05");
        config.lockedLevel = c.lockedLevel;
        if (c.open) {
            config.openLocks = {0x05};
        }
        if (c.override) {
            config.levelOverride[0x05] = *c.override;
        }
        Start(config);
        m_host->Send(BuildStatusFrame(0x05));
        const Reception got = m_host->Receive(1, kSlack);
        EXPECT_EQ(got.raw, Bytes(BuildReplyFrame(0x05, CMD_GET_STATUS, c.expected)));
    }
}

TEST_F(NodeSimTest, SingleStatusIsAnsweredAtOnceByThatNodeOnly) {
    Start(Nodes("00-02"));
    const auto sent = m_host->Send(BuildStatusFrame(0x01));
    Reception got = m_host->Receive(1, kSlack);
    ASSERT_EQ(got.replies.size(), 1u);
    EXPECT_EQ(got.replies[0].frame.address, 0x01);
    EXPECT_LE(Since(sent, got.replies[0].at), kSlack);
    EXPECT_TRUE(m_host->ReceiveFor(kQuiet).raw.empty());
}

TEST_F(NodeSimTest, MissingNodesDoNotAnswer) {
    Start(Nodes("00-02"));
    m_host->Send(BuildStatusFrame(0x20));
    m_host->Send(BuildUnlockFrame(0x30, {500, 10, 1, 0}));
    EXPECT_TRUE(m_host->ReceiveFor(kQuiet).raw.empty());
    EXPECT_EQ(HostFrames().size(), 2u);
}

TEST_F(NodeSimTest, UnlockBroadcastIsPacedByTheInterval) {
    constexpr int kIntervalMs = 30;
    Start(Nodes("00-02"));
    const auto sent = m_host->Send(BuildUnlockFrame(ADDR_BROADCAST, {500, kIntervalMs, 1, 0}));
    const Reception got = m_host->Receive(3, 3 * Ms(kIntervalMs) + kSlack);

    ASSERT_EQ(got.replies.size(), 3u);
    const auto received = HostFrames().at(0).second;
    const auto energisings = Energisings();
    ASSERT_EQ(energisings.size(), 3u);
    for (std::size_t a = 0; a < 3; ++a) {
        SCOPED_TRACE(a);
        const Heard& reply = got.replies[a];
        EXPECT_EQ(reply.frame.address, a);
        EXPECT_EQ(reply.frame.command, CMD_UNLOCK);
        EXPECT_EQ(reply.frame.param[0], kUnlockResultOpen);
        const Ms slotEnd = Ms((a + 1) * kIntervalMs);
        EXPECT_GE(Since(sent, reply.at), slotEnd);
        EXPECT_LE(Since(sent, reply.at), slotEnd + kSlack);
        EXPECT_EQ(energisings[a].address, a);
        EXPECT_EQ(energisings[a].start - received, Ms(a * kIntervalMs));
        EXPECT_EQ(energisings[a].duration, 20ms);  // stopped by the feedback once open
    }
    EXPECT_EQ(PollLevels(3), (std::vector<uint8_t>{1, 1, 1}));
}

TEST_F(NodeSimTest, UnlockEnergisesByFeedbackPolarityAndLockCondition) {
    const struct {
        const char* name;
        int32_t maxOnTimeMs;
        int32_t feedback;
        int32_t polarity;
        bool jammed;
        Ms energised;
        uint8_t result;
    } cases[] = {
        {"feedback stops it once open", 500, 1, 0, false, 20ms, kUnlockResultOpen},
        {"no feedback: the whole time", 500, 0, 0, false, 500ms, kUnlockResultOpen},
        {"jammed: the whole time in vain", 500, 1, 0, true, 500ms, kUnlockResultNotOpen},
        {"wrong polarity reads open at once", 500, 1, 1, false, 0ms, kUnlockResultNotOpen},
        {"too short to open", 10, 1, 0, false, 10ms, kUnlockResultNotOpen},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        NodeSimConfig config = Nodes("07");
        if (c.jammed) {
            config.jammed = {0x07};
        }
        Start(config);
        const auto sent =
            m_host->Send(BuildUnlockFrame(0x07, {c.maxOnTimeMs, 30, c.feedback, c.polarity}));
        const Reception got = m_host->Receive(1, 30ms + kSlack);
        EXPECT_EQ(got.raw, Bytes(BuildReplyFrame(0x07, CMD_UNLOCK, c.result)));
        ASSERT_EQ(got.replies.size(), 1u);
        EXPECT_GE(Since(sent, got.replies[0].at), 30ms);
        const auto energisings = Energisings();
        ASSERT_EQ(energisings.size(), 1u);
        EXPECT_EQ(energisings[0].duration, c.energised);

        m_host->Send(BuildStatusFrame(0x07));
        const uint8_t openLevel = c.result == kUnlockResultOpen ? 1 : 0;
        EXPECT_EQ(m_host->Receive(1, kSlack).raw,
                  Bytes(BuildReplyFrame(0x07, CMD_GET_STATUS, openLevel)));
        m_sim.reset();
    }
}

TEST_F(NodeSimTest, OpenLockClosesAfterTheConfiguredTime) {
    constexpr Ms kCloseAfter = 400ms;
    NodeSimConfig config = Nodes("00");
    config.closeAfter = kCloseAfter;
    Start(config);
    m_host->Send(BuildUnlockFrame(0x00, {500, 25, 1, 0}));
    const Reception unlocked = m_host->Receive(1, 25ms + kSlack);
    ASSERT_EQ(unlocked.replies.size(), 1u);
    EXPECT_EQ(unlocked.replies[0].frame.param[0], kUnlockResultOpen);
    // The lock opened 20 ms after the frame, 5 ms before the reply.
    EXPECT_EQ(PollLevels(1), std::vector<uint8_t>{1});
    std::this_thread::sleep_until(unlocked.replies[0].at + kCloseAfter);
    EXPECT_EQ(PollLevels(1), std::vector<uint8_t>{0});
}

TEST_F(NodeSimTest, CloseShutsOneOrAllLocks) {
    NodeSimConfig config = Nodes("00-02");
    config.openLocks = {0x00, 0x01, 0x02};
    Start(config);
    m_sim->Close(0x01);
    EXPECT_EQ(PollLevels(3), (std::vector<uint8_t>{1, 0, 1}));
    m_sim->CloseAll();
    EXPECT_EQ(PollLevels(3), (std::vector<uint8_t>{0, 0, 0}));
}

TEST_F(NodeSimTest, RepliesOfOneAnswerComeInTheConfiguredOrder) {
    const struct {
        const char* name;
        std::function<void(NodeSimConfig&)> setUp;
        std::vector<uint8_t> order;
        Ms lateBy;  // added to every reply's time in the plain order
    } cases[] = {
        {"address order", [](NodeSimConfig&) {}, {0, 1, 2}, 0ms},
        {"missing node", [](NodeSimConfig& c) { c.nodes.erase(0x01); }, {0, 2}, 0ms},
        {"silent node", [](NodeSimConfig& c) { c.silent = {0x01}; }, {0, 2}, 0ms},
        {"reversed", [](NodeSimConfig& c) { c.reverseOrder = true; }, {2, 1, 0}, 0ms},
        {"one node late", [](NodeSimConfig& c) { c.lateFor[0x00] = 40ms; }, {1, 2, 0}, 0ms},
        {"all late", [](NodeSimConfig& c) { c.lateAll = 40ms; }, {0, 1, 2}, 40ms},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        NodeSimConfig config = Nodes("00-02");
        c.setUp(config);
        Start(config);
        const auto sent = m_host->Send(BuildStatusFrame(ADDR_BROADCAST));
        const Reception got = m_host->Receive(c.order.size(), 40ms + 3 * 5ms + kSlack);
        EXPECT_EQ(got.Addresses(), c.order);
        for (std::size_t i = 0; i < got.replies.size(); ++i) {
            EXPECT_GE(Since(sent, got.replies[i].at), Ms(i * 5 + 2) + c.lateBy);
        }
        EXPECT_TRUE(m_host->ReceiveFor(kQuiet).raw.empty());
        m_sim.reset();
    }
}

TEST_F(NodeSimTest, TwoBoardsAtOneAddressBothAnswerEveryFrame) {
    NodeSimConfig config = Nodes("00-02");
    config.duplicates = {0x01};
    Start(config);
    m_host->Send(BuildStatusFrame(ADDR_BROADCAST));
    EXPECT_EQ(m_host->Receive(4, 3 * 5ms + kSlack).Addresses(), (std::vector<uint8_t>{0, 1, 1, 2}));
    m_host->Send(BuildUnlockFrame(0x01, {500, 25, 1, 0}));
    const Reception unlocked = m_host->Receive(2, 25ms + kSlack);
    EXPECT_EQ(unlocked.Addresses(), (std::vector<uint8_t>{1, 1}));
    EXPECT_TRUE(m_host->ReceiveFor(kQuiet).raw.empty());
}

TEST_F(NodeSimTest, NoiseBeforeTheFirstReplyHoldsNoHeadByte) {
    constexpr std::size_t kNoise = 20;
    NodeSimConfig config = Nodes("00-02");
    config.noiseBytes = kNoise;
    Start(config);
    m_host->Send(BuildStatusFrame(ADDR_BROADCAST));
    const Reception got = m_host->Receive(3, 3 * 5ms + kSlack);
    EXPECT_EQ(got.Addresses(), (std::vector<uint8_t>{0, 1, 2}));
    ASSERT_EQ(got.raw.size(), kNoise + 3 * kReplyFrameSize);
    const auto noiseEnd = got.raw.begin() + kNoise;
    EXPECT_EQ(std::count(got.raw.begin(), noiseEnd, FRAME_HEAD_HOST), 0);
    EXPECT_EQ(std::count(got.raw.begin(), noiseEnd, FRAME_HEAD_NODE), 0);
    EXPECT_EQ(*noiseEnd, FRAME_HEAD_NODE);
}

TEST_F(NodeSimTest, BadChecksumRepliesAreSentButNotAccepted) {
    NodeSimConfig config = Nodes("00-02");
    config.badChecksum = {0x01};
    Start(config);
    m_host->Send(BuildStatusFrame(ADDR_BROADCAST));
    const Reception got = m_host->ReceiveFor(3 * 5ms + kQuiet);
    EXPECT_EQ(got.Addresses(), (std::vector<uint8_t>{0, 2}));
    ASSERT_EQ(got.raw.size(), 3 * kReplyFrameSize);
    const std::vector<uint8_t> second(got.raw.begin() + 5, got.raw.begin() + 10);
    ReplyFrame good = BuildReplyFrame(0x01, CMD_GET_STATUS, 0x00);
    EXPECT_EQ(std::vector<uint8_t>(second.begin(), second.begin() + 4),
              std::vector<uint8_t>(good.begin(), good.begin() + 4));
    EXPECT_NE(second[4], good[4]);
}

TEST_F(NodeSimTest, EchoSendsTheHostFrameBackBeforeAnyReply) {
    NodeSimConfig config = Nodes("00");
    config.echo = true;
    Start(config);
    const HostFrame frame = BuildStatusFrame(ADDR_BROADCAST);
    m_host->Send(frame);
    const Reception got = m_host->Receive(1, kSlack);
    ASSERT_EQ(got.raw.size(), kHostFrameSize + kReplyFrameSize);
    EXPECT_TRUE(std::equal(frame.begin(), frame.end(), got.raw.begin()));
    EXPECT_EQ(got.Addresses(), std::vector<uint8_t>{0});
}

TEST_F(NodeSimTest, HangUpAfterFramesLeavesTheLastOneUnanswered) {
    NodeSimConfig config = Nodes("00");
    config.hangupAfterFrames = 2;
    Start(config);
    m_host->Send(BuildStatusFrame(0x00));
    EXPECT_EQ(m_host->Receive(1, kSlack).replies.size(), 1u);
    EXPECT_FALSE(m_host->HangsUpWithin(kQuiet));
    m_host->Send(BuildStatusFrame(0x00));
    EXPECT_TRUE(m_host->HangsUpWithin(2000ms));
    EXPECT_TRUE(m_host->ReceiveFor(kQuiet).replies.empty());
}

TEST_F(NodeSimTest, HangUpAfterTimeEndsTheLine) {
    constexpr Ms kHangupAfter = 200ms;
    NodeSimConfig config = Nodes("00");
    config.hangupAfter = kHangupAfter;
    const auto started = Clock::now();
    Start(config);
    EXPECT_TRUE(m_host->HangsUpWithin(kHangupAfter + 2000ms));
    EXPECT_GE(Since(started, Clock::now()), kHangupAfter);
}

TEST_F(NodeSimTest, StopIsPromptWithRepliesPending) {
    Start(Nodes("00-fe"));
    m_host->Send(BuildUnlockFrame(ADDR_BROADCAST, {2540, 255, 1, 0}));
    std::this_thread::sleep_for(50ms);  // let the frame arrive and the long answer be planned
    const auto stopping = Clock::now();
    m_sim.reset();
    EXPECT_LE(Since(stopping, Clock::now()), 1000ms);
    EXPECT_TRUE(m_host->HangsUpWithin(1000ms));
}

TEST_F(NodeSimTest, RegisteredPortIsListedUntilStopped) {
    const auto registry = std::filesystem::temp_directory_path() /
                          ("nodesim-test-registry-" + std::to_string(getpid()));
    std::filesystem::remove_all(registry);
    ASSERT_EQ(setenv("VELKARO_PORT_REGISTRY", registry.c_str(), 1), 0);
    const auto listed = [](const std::string& path) {
        std::vector<std::string> ports(256);
        const int32_t count = SerialEnumPorts(nullptr, ports.data(), 256);
        return std::find(ports.begin(), ports.begin() + count, path) != ports.begin() + count;
    };
    NodeSimConfig config = Nodes("00");
    config.registerPort = true;
    Start(config);
    const std::string name = m_sim->PortName();
    EXPECT_EQ("/dev/" + name, m_sim->PortPath()) << "listed relative to /dev, like ttyS0";
    EXPECT_TRUE(listed(name));
    m_host.reset();  // the port opens only once at a time
    const SerialHandle port = SerialOpen(name, 115200, 8, kSerialParityNone, kSerialOneStopBit);
    EXPECT_NE(port, kInvalidSerialHandle) << "the listed name opens";
    SerialClose(port);
    m_sim->Stop();
    EXPECT_FALSE(listed(name));
    unsetenv("VELKARO_PORT_REGISTRY");
    std::filesystem::remove_all(registry);
}

// A real node stops talking when the bus is driven: one new frame, or a flood of them, leaves
// only the answer to the latest one.
TEST_F(NodeSimTest, NewFrameSilencesTheRepliesStillDueToThePreviousOnes) {
    for (const int broadcasts : {1, 2000}) {
        SCOPED_TRACE(broadcasts);
        Start(Nodes("00-fe"));
        for (int i = 0; i < broadcasts; ++i) {
            m_host->Send(BuildStatusFrame(ADDR_BROADCAST));
        }
        // Node f0 answers a broadcast after 1.2 s, a frame of its own at once.
        ASSERT_GE(m_host->Receive(1, kSlack).replies.size(), 1u);
        m_host->Send(BuildStatusFrame(0xF0));
        // The simulator works through the flood before it reaches f0's frame, which takes
        // seconds under the sanitizers on a busy machine; then nothing may follow f0's answer.
        std::vector<uint8_t> heard;
        const auto limit = Clock::now() + 30s;
        while (std::count(heard.begin(), heard.end(), 0xF0) == 0 && Clock::now() < limit) {
            const auto more = m_host->Receive(1, kSlack).Addresses();
            heard.insert(heard.end(), more.begin(), more.end());
        }
        const auto after = m_host->ReceiveFor(500ms).Addresses();
        heard.insert(heard.end(), after.begin(), after.end());
        ASSERT_FALSE(heard.empty());
        EXPECT_EQ(heard.back(), 0xF0) << "nothing follows the answer to the latest frame";
        EXPECT_EQ(std::count(heard.begin(), heard.end(), 0xF0), 1);
    }
}

TEST_F(NodeSimTest, PortLeftExclusiveByAKilledClientOpensAgain) {
    Start(Nodes("00"));
    m_host.reset();
    const std::string path = m_sim->PortPath();
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const char opened = SerialOpen(path, 115200, 8, 0, 0) != kInvalidSerialHandle ? 1 : 0;
        [[maybe_unused]] const auto ignored = write(ready[1], &opened, 1);
        pause();
        _exit(0);
    }
    char opened = 0;
    ASSERT_EQ(read(ready[0], &opened, 1), 1);
    ASSERT_EQ(opened, 1);
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    close(ready[0]);
    close(ready[1]);

    EXPECT_TRUE(ReleasedWithin(2000ms));
    HostPort again(path);
    ASSERT_TRUE(again.IsOpen());
    again.Send(BuildStatusFrame(0x00));
    EXPECT_EQ(again.Receive(1, kSlack).Addresses(), std::vector<uint8_t>{0x00});
}

TEST_F(NodeSimTest, RefusedOpenLeavesTheLivingHolderExclusive) {
    Start(Nodes("00"));
    for (int attempt = 0; attempt < 2; ++attempt) {
        EXPECT_FALSE(HostPort(m_sim->PortPath()).IsOpen()) << attempt;
        std::this_thread::sleep_for(kQuiet);  // time for the simulator to look at the port
    }
    EXPECT_EQ(m_releases, 0);
    m_host->Send(BuildStatusFrame(0x00));
    EXPECT_EQ(m_host->Receive(1, kSlack).replies.size(), 1u);
}

TEST_F(NodeSimTest, UnusableRegistryFolderIsReported) {
    const auto parent = std::filesystem::temp_directory_path() /
                        ("nodesim-test-registry-" + std::to_string(getpid()));
    std::filesystem::remove_all(parent);
    ASSERT_TRUE(std::filesystem::create_directory(parent));
    chmod(parent.c_str(), 0700);
    const auto shared = parent / "shared";
    ASSERT_EQ(mkdir(shared.c_str(), 0700), 0);
    chmod(shared.c_str(), 0775);
    const struct {
        std::filesystem::path registry;
        bool listed;
    } cases[] = {{parent / "private", true}, {shared, false}};
    for (const auto& c : cases) {
        ASSERT_EQ(setenv("VELKARO_PORT_REGISTRY", c.registry.c_str(), 1), 0);
        NodeSimConfig config = Nodes("00");
        config.registerPort = true;
        Start(config);
        EXPECT_EQ(m_sim->RegistrationProblem().empty(), c.listed) << m_sim->RegistrationProblem();
        if (!c.listed) {
            EXPECT_NE(m_sim->RegistrationProblem().find(c.registry.string()), std::string::npos);
        }
    }
    unsetenv("VELKARO_PORT_REGISTRY");
    std::filesystem::remove_all(parent);
}

}  // namespace
