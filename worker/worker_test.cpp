// The port worker and its handshake, with simulated nodes on a pseudo-terminal.
#include "worker/port_worker.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "bus/testing/log_text.h"
#include "nodesim/node_sim.h"
#include "serial/serial.h"

namespace {

using namespace std::chrono_literals;
using Lines = std::vector<std::string>;

// A window stand-in: records what the worker shows. The test's thread is its consumer, so
// what the worker shows arrives while the test serves the queue, as on a window's thread.
class TestHost : public PortWorkerHost {
  public:
    explicit TestHost(std::string port) : m_port(std::move(port)) {}

    ControlParameters& Parameters() override { return m_params; }
    bool TransactionCancelled() override { return m_cancelled; }

    bool Serve(const std::function<bool()>& done, std::chrono::milliseconds timeout = 20s) {
        return ServeQueueUntil(done, ConsoleQueue::Clock::now() + timeout);
    }
    bool WaitForLine(const std::string& line, std::chrono::milliseconds timeout = 20s) {
        return Serve([&] { return std::find(m_log.begin(), m_log.end(), line) != m_log.end(); },
                     timeout);
    }
    Lines Log() {
        RunPending();
        return m_log;
    }
    Lines Messages() {
        RunPending();
        return m_messages;
    }
    Lines Captions() {
        RunPending();
        return m_captions;
    }

    std::atomic<bool> m_cancelled{false};

  protected:
    void ApplyLogLine(const LogLine& line) override { m_log.push_back(line.text); }
    void ApplyStatusCell(int, const std::string&) override {}
    void ApplyMessage(const std::string& text) override { m_messages.push_back(text); }
    std::string ReadPortName() override { return m_port; }
    void ApplyOpenButtonCaption(const std::string& caption) override {
        m_captions.push_back(caption);
    }

  private:
    ControlParameters m_params;
    std::string m_port;
    Lines m_log, m_messages, m_captions;
};

// The titles of the transactions in the log, in the order they ran.
Lines Titles(const Lines& log) {
    Lines titles;
    for (const std::string& line : log) {
        if (line == "[群体获取状态]" || line == "[群体开锁]" || line == "[单点开锁]" ||
            line == "[单点获取状态]") {
            titles.push_back(line);
        }
    }
    return titles;
}

void WaitForWorkerToEnd(TestHost& host) {
    ASSERT_TRUE(host.Serve([] { return !PortWorkerRunning(); }));
}

class WorkerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        NodeSimConfig config;
        config.nodes = {0x00, 0x01, 0x05};
        config.registerPort = false;
        m_sim = NodeSim::Start(config);
        ASSERT_TRUE(m_sim);
        m_host = std::make_unique<TestHost>(m_sim->PortPath());
        m_host->Parameters().m_byMaxAddr = 0x01;
        m_host->Parameters().m_bySelAddr = 0x05;
    }
    void TearDown() override {
        if (g_hComm != kInvalidSerialHandle) {
            StopPortWorker(*m_host);
        }
        WaitForWorkerToEnd(*m_host);
        for (auto* flag : {&g_bReqGroupStatus, &g_bReqGroupUnlock, &g_bReqSingleUnlock,
                           &g_bReqSingleStatus, &g_bReqAcceptance}) {
            *flag = 0;
        }
    }
    void Open() {
        StartPortWorker(m_host.get());
        ASSERT_TRUE(m_host->WaitForLine("[串口已打开]"));
    }
    void RunAndWait(std::atomic<uint32_t>& flag) {
        RaiseRequest(flag);
        ASSERT_TRUE(m_host->Serve([&flag] { return flag == 0; }));
    }

    std::unique_ptr<NodeSim> m_sim;
    std::unique_ptr<TestHost> m_host;
};

TEST_F(WorkerTest, OpenAndCloseFollowTheHandshake) {
    Open();
    EXPECT_NE(g_hComm, kInvalidSerialHandle);
    EXPECT_EQ(g_pMainDlg, m_host.get());

    StopPortWorker(*m_host);

    EXPECT_EQ(g_hComm, kInvalidSerialHandle) << "the stop returns only after the close";
    EXPECT_EQ(g_bWorkerEnded, 1u);
    EXPECT_EQ(m_host->Log(), (Lines{"[串口已打开]", "[串口已关闭]"}));
    EXPECT_EQ(m_host->Captions(), (Lines{"关闭串口", "打开串口"}));
}

TEST_F(WorkerTest, AnEmptyPortNameFailsToOpenAndTouchesNothing) {
    TestHost host("");
    g_bStopWorker = 0;
    g_bWorkerEnded = 0;
    StartPortWorker(&host);
    WaitForWorkerToEnd(host);

    EXPECT_EQ(host.Messages(), Lines{"串口打开失败"});
    EXPECT_TRUE(host.Log().empty());
    EXPECT_TRUE(host.Captions().empty()) << "the button keeps its caption";
    EXPECT_EQ(g_hComm, kInvalidSerialHandle);
    EXPECT_EQ(g_bWorkerEnded, 0u) << "the failed worker leaves the handshake words alone";
}

TEST_F(WorkerTest, APressWhileOpeningStartsNoSecondWorker) {
    // The worker's first step waits for this thread to read the port name: it is still
    // opening until the test serves the queue.
    StartPortWorker(m_host.get());
    StartPortWorker(m_host.get());
    ASSERT_TRUE(m_host->WaitForLine("[串口已打开]"));

    StopPortWorker(*m_host);

    EXPECT_EQ(m_host->Log(), (Lines{"[串口已打开]", "[串口已关闭]"}));
    EXPECT_TRUE(m_host->Messages().empty()) << "a second opener would have found the port taken";
}

TEST_F(WorkerTest, AllFourFlagsRunInTheirFixedOrderAfterTheNextOpen) {
    for (auto* flag :
         {&g_bReqSingleStatus, &g_bReqSingleUnlock, &g_bReqGroupUnlock, &g_bReqGroupStatus}) {
        *flag = 1;  // left set from before: cleared neither by a stop nor by a start
    }
    Open();
    ASSERT_TRUE(m_host->Serve([] { return g_bReqSingleStatus == 0; }));

    EXPECT_EQ(Titles(m_host->Log()),
              (Lines{"[群体获取状态]", "[群体开锁]", "[单点开锁]", "[单点获取状态]"}));
}

TEST_F(WorkerTest, APressDuringItsOwnTransactionRunsItOnce) {
    Open();
    RaiseRequest(g_bReqGroupUnlock);
    ASSERT_TRUE(m_host->WaitForLine("[群体开锁]"));
    RaiseRequest(g_bReqGroupUnlock);
    ASSERT_TRUE(m_host->Serve([] { return g_bReqGroupUnlock == 0; }));

    EXPECT_EQ(Titles(m_host->Log()), Lines{"[群体开锁]"});
}

TEST_F(WorkerTest, AStopDuringATransactionWaitsForItAndLeavesAnEarlierFlagForTheNextOpen) {
    // A node that does not answer: the query runs to its deadline, still running once its
    // first line is shown.
    m_host->Parameters().m_bySelAddr = 0x07;
    Open();
    RaiseRequest(g_bReqSingleStatus);
    ASSERT_TRUE(m_host->WaitForLine("[单点获取状态]"));
    RaiseRequest(g_bReqGroupStatus);  // tested earlier in the pass: waits for the next pass

    StopPortWorker(*m_host);

    const Lines log = m_host->Log();
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[log.size() - 2], "[--完毕：单点获取状态--]");
    EXPECT_EQ(log.back(), "[串口已关闭]");
    EXPECT_EQ(g_bReqGroupStatus, 1u);

    Open();
    ASSERT_TRUE(m_host->Serve([] { return g_bReqGroupStatus == 0; }));
    EXPECT_EQ(Titles(m_host->Log()), (Lines{"[单点获取状态]", "[群体获取状态]"}));
}

TEST_F(WorkerTest, ACancelledConsoleEndsALongUnlockPromptly) {
    m_host->Parameters().m_byMaxAddr = 0xFE;
    m_host->Parameters().m_nInterval = 255;  // a 65-second run
    Open();
    RaiseRequest(g_bReqGroupUnlock);
    RaiseRequest(g_bReqSingleStatus);
    ASSERT_TRUE(m_host->WaitForLine("[群体开锁]"));

    const auto start = std::chrono::steady_clock::now();
    m_host->m_cancelled = true;
    StopPortWorker(*m_host);

    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
    EXPECT_EQ(Titles(m_host->Log()), Lines{"[群体开锁]"}) << "nothing further goes on the wire";
    EXPECT_EQ(g_hComm, kInvalidSerialHandle);
}

double ProcessCpuMs() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

TEST_F(WorkerTest, AnIdleOpenPortLeavesTheProcessorAlone) {
    Open();
    const double before = ProcessCpuMs();
    std::this_thread::sleep_for(500ms);
    // A dispatch loop that polled its flags would burn the whole half second.
    EXPECT_LT(ProcessCpuMs() - before, 150.0);
}

// An adapter pulled out, during a transaction or while the port idles: the worker ends by
// itself at once, as a stop ends it, after one line and before one box, and nothing asked for
// runs on a later opening.
TEST_F(WorkerTest, AHangUpClosesThePortAtOnceWithOneLineAndOneBox) {
    struct Case {
        const char* name;
        std::atomic<uint32_t>* running;  // none: idle
        Lines titles;
    };
    const Case cases[] = {
        {"during a poll", &g_bReqGroupStatus, {"[群体获取状态]"}},
        {"during an unlock's wait", &g_bReqGroupUnlock, {"[群体开锁]"}},
        {"idle", nullptr, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        m_host->Parameters().m_byMaxAddr = 0xFE;
        m_host->Parameters().m_nInterval = 255;
        Open();
        if (c.running != nullptr) {
            RaiseRequest(*c.running);
            RaiseRequest(g_bReqSingleStatus);  // waits behind it, never to run
            ASSERT_TRUE(m_host->WaitForLine(c.titles.front()));
        }
        std::this_thread::sleep_for(100ms);

        const auto hungUp = std::chrono::steady_clock::now();
        m_sim->Stop();
        ASSERT_TRUE(m_host->Serve([this] { return !m_host->Messages().empty(); }, 5s));
        const auto boxShown = std::chrono::steady_clock::now();
        WaitForWorkerToEnd(*m_host);

        EXPECT_LT(boxShown - hungUp, 200ms);
        EXPECT_TRUE(PortWentAway());
        EXPECT_EQ(m_host->Messages(), Lines{kMsgPortGone});
        const Lines log = m_host->Log();
        ASSERT_GE(log.size(), 3u);
        EXPECT_EQ(log[log.size() - 2], kLogPortGone);
        EXPECT_EQ(log.back(), "[串口已关闭]");
        EXPECT_EQ(Titles(log), c.titles);
        EXPECT_EQ(m_host->Captions().back(), "打开串口");
        EXPECT_EQ(g_hComm, kInvalidSerialHandle);
        EXPECT_EQ(g_bReqSingleStatus, 0u) << "a request left set runs nowhere";
        for (const std::string& line : log) {
            EXPECT_EQ(line.find("[--完毕"), std::string::npos) << "no end line";
            EXPECT_NE(line, kLogDeadline);
        }
        TearDown();
    }
}

// An acceptance run the hang-up cuts short ends incomplete, and the worker closes as after a
// transaction.
TEST_F(WorkerTest, AHangUpEndsAnAcceptanceRunIncompleteAndClosesThePort) {
    NodeSimConfig config;
    config.nodes = {0x00, 0x01};
    config.registerPort = false;
    config.hangupAfterFrames = 3;  // the first query after an unlock
    m_sim = NodeSim::Start(config);
    ASSERT_TRUE(m_sim);
    m_host = std::make_unique<TestHost>(m_sim->PortPath());
    Open();
    AcceptanceRequest request;
    request.expected = {0x00, 0x01};
    const auto job = std::make_shared<AcceptanceJob>(request);

    ASSERT_TRUE(RequestAcceptanceRun(job));
    WaitForWorkerToEnd(*m_host);

    ASSERT_TRUE(job->Done());
    EXPECT_EQ(job->Result().end, AcceptanceEnd::PortGone);
    EXPECT_TRUE(PortWentAway());
    EXPECT_EQ(m_host->Messages(), Lines{kMsgPortGone});
    const Lines log = m_host->Log();
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(log[log.size() - 3], "[--验收测试未完成--]");
    EXPECT_EQ(log[log.size() - 2], kLogPortGone);
    EXPECT_EQ(log.back(), "[串口已关闭]");
    EXPECT_EQ(g_bReqAcceptance, 0u);
}

TEST_F(WorkerTest, AStopAfterTheWorkerEndedByItselfReturnsAtOnce) {
    Open();
    m_sim->Stop();
    WaitForWorkerToEnd(*m_host);
    ASSERT_TRUE(PortWentAway());

    StopPortWorker(*m_host);

    EXPECT_EQ(m_host->Log().back(), "[串口已关闭]");
    EXPECT_FALSE(PortWorkerRunning());
}

// A console that takes 20 ms for each line, four times slower than the bus brings the lines
// of a reply in its 5 ms window.
class SlowHost : public TestHost {
  public:
    using TestHost::TestHost;

    bool endShownAfterThePollReturned = false;

  protected:
    void ApplyLogLine(const LogLine& line) override {
        std::this_thread::sleep_for(20ms);
        if (line.text == "[--完毕：群体获取状态--]") {
            endShownAfterThePollReturned = g_bReqGroupStatus == 0;
        }
        TestHost::ApplyLogLine(line);
    }
};

// The elapsed milliseconds of a raw line, "原始数据为：5A 00 00 00 5A ,时间 4ms".
long RawLineMs(const std::string& line) {
    const std::string mark = ",时间 ";
    return std::stol(line.substr(line.find(mark) + mark.size()));
}

TEST(SlowConsoleTest, AFullPollReadsEveryReplyInTimeHoweverSlowlyTheConsoleTakesThem) {
    NodeSimConfig config;
    config.nodes.clear();
    for (int address = 0x00; address <= 0xFE; ++address) {
        config.nodes.insert(static_cast<uint8_t>(address));
    }
    config.registerPort = false;
    const auto sim = NodeSim::Start(config);
    ASSERT_TRUE(sim);
    SlowHost host(sim->PortPath());
    host.Parameters().m_byMaxAddr = 0xFE;
    StartPortWorker(&host);
    ASSERT_TRUE(host.WaitForLine("[串口已打开]"));

    RaiseRequest(g_bReqGroupStatus);
    // About 1030 lines at 20 ms each.
    ASSERT_TRUE(host.Serve([] { return g_bReqGroupStatus == 0; }, 90s));
    StopPortWorker(host);

    const Lines log = host.Log();
    Lines parsed;
    for (std::size_t i = 0; i < log.size(); ++i) {
        if (log[i] == kLogFrameComplete) {
            EXPECT_LE(RawLineMs(log[i + 1]), 1475) << "the time the byte was read, not shown";
            parsed.push_back(log[i + 3]);
        }
    }
    ASSERT_EQ(parsed.size(), 255u);
    for (int address = 0x00; address <= 0xFE; ++address) {
        char line[64];
        std::snprintf(line, sizeof line, "header=5A,addr=%02X,cmd=00,rsp_param[0]=00", address);
        EXPECT_EQ(parsed[static_cast<std::size_t>(address)], line);
    }
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(log[log.size() - 3], kLogLastNode);
    EXPECT_EQ(log[log.size() - 2], "[--完毕：群体获取状态--]");
    EXPECT_EQ(log.back(), "[串口已关闭]");
    EXPECT_TRUE(host.endShownAfterThePollReturned) << "the poll never waited for the console";
}

}  // namespace

TEST_F(WorkerTest, AnAcceptanceRunIsTheFifthRequestAndReportsItsProgress) {
    AcceptanceRequest request;
    request.expected = {0x00, 0x01, 0x05};
    request.settings.maxAddr = 0x05;
    std::atomic<int> progressReports{0};
    const auto job = std::make_shared<AcceptanceJob>(
        request, [&progressReports](const AcceptanceProgress&) { ++progressReports; });
    g_bReqSingleStatus = 1;
    ASSERT_TRUE(RequestAcceptanceRun(job));
    EXPECT_FALSE(RequestAcceptanceRun(std::make_shared<AcceptanceJob>(request)))
        << "one run at a time";

    Open();
    ASSERT_TRUE(m_host->Serve([] { return g_bReqAcceptance == 0; }));

    ASSERT_TRUE(job->Done());
    EXPECT_TRUE(job->Result().passed);
    EXPECT_EQ(progressReports, 1 + 3) << "after the scan and after each node";
    const Lines log = m_host->Log();
    const auto query = std::find(log.begin(), log.end(), "[--完毕：单点获取状态--]");
    const auto run = std::find(log.begin(), log.end(), "[验收测试]");
    EXPECT_LT(query, run) << "the four flags of a pass come first";
    EXPECT_EQ(log.back(), "[--完毕：验收测试--]");
    EXPECT_EQ(m_host->Parameters().m_byMaxAddr, 0x01) << "the window's parameters stay";
}
