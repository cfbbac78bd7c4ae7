// The port worker and its handshake, with simulated nodes on a pseudo-terminal.
#include "worker/port_worker.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "nodesim/node_sim.h"
#include "serial/serial.h"

namespace {

using namespace std::chrono_literals;
using Lines = std::vector<std::string>;

// A window stand-in: records what the worker shows and lets a test wait for a log line.
class TestHost : public IPortWorkerHost {
  public:
    explicit TestHost(std::string port) : m_port(std::move(port)) {}

    ControlParameters& Parameters() override { return m_params; }
    void AppendLog(const std::string& line) override { Record(m_log, line); }
    void SetStatusCell(int, const std::string&) override {}
    void ShowMessage(const std::string& text) override { Record(m_messages, text); }
    std::string PortName() override {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return !m_holdPortName; });
        return m_port;
    }
    void SetOpenButtonCaption(const std::string& caption) override { Record(m_captions, caption); }
    void ServeUntil(const std::function<bool()>& done) override {
        while (!WaitWorkerProgress(done, 60'000)) {
        }
    }
    bool TransactionCancelled() override { return m_cancelled; }

    // Holds the worker inside its opening step until released.
    void HoldPortName(bool hold) {
        {
            std::lock_guard lock(m_mutex);
            m_holdPortName = hold;
        }
        m_changed.notify_all();
    }
    bool WaitForLine(const std::string& line, std::chrono::milliseconds timeout = 20s) {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, timeout, [&] {
            return std::find(m_log.begin(), m_log.end(), line) != m_log.end();
        });
    }
    Lines Log() {
        std::lock_guard lock(m_mutex);
        return m_log;
    }
    Lines Messages() {
        std::lock_guard lock(m_mutex);
        return m_messages;
    }
    Lines Captions() {
        std::lock_guard lock(m_mutex);
        return m_captions;
    }

    std::atomic<bool> m_cancelled{false};

  private:
    void Record(Lines& lines, const std::string& text) {
        {
            std::lock_guard lock(m_mutex);
            lines.push_back(text);
        }
        m_changed.notify_all();
    }

    ControlParameters m_params;
    std::string m_port;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_holdPortName = false;
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

void WaitForWorkerToEnd() {
    ASSERT_TRUE(WaitWorkerProgress([] { return !PortWorkerRunning(); }, 20'000));
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
        if (g_hComm != INVALID_SERIAL_HANDLE) {
            StopPortWorker(*m_host);
        }
        WaitForWorkerToEnd();
        for (auto* flag :
             {&g_bReqGroupStatus, &g_bReqGroupUnlock, &g_bReqSingleUnlock, &g_bReqSingleStatus}) {
            *flag = 0;
        }
    }
    void Open() {
        StartPortWorker(m_host.get());
        ASSERT_TRUE(m_host->WaitForLine("[串口已打开]"));
    }
    void RunAndWait(std::atomic<uint32_t>& flag) {
        RaiseRequest(flag);
        ASSERT_TRUE(WaitWorkerProgress([&flag] { return flag == 0; }, 20'000));
    }

    std::unique_ptr<NodeSim> m_sim;
    std::unique_ptr<TestHost> m_host;
};

TEST_F(WorkerTest, OpenAndCloseFollowTheHandshake) {
    Open();
    EXPECT_NE(g_hComm, INVALID_SERIAL_HANDLE);
    EXPECT_EQ(g_pMainDlg, m_host.get());

    StopPortWorker(*m_host);

    EXPECT_EQ(g_hComm, INVALID_SERIAL_HANDLE) << "the stop returns only after the close";
    EXPECT_EQ(g_bWorkerEnded, 1u);
    EXPECT_EQ(m_host->Log(), (Lines{"[串口已打开]", "[串口已关闭]"}));
    EXPECT_EQ(m_host->Captions(), (Lines{"关闭串口", "打开串口"}));
}

TEST_F(WorkerTest, AnEmptyPortNameFailsToOpenAndTouchesNothing) {
    TestHost host("");
    g_bStopWorker = 0;
    g_bWorkerEnded = 0;
    StartPortWorker(&host);
    WaitForWorkerToEnd();

    EXPECT_EQ(host.Messages(), Lines{"串口打开失败"});
    EXPECT_TRUE(host.Log().empty());
    EXPECT_TRUE(host.Captions().empty()) << "the button keeps its caption";
    EXPECT_EQ(g_hComm, INVALID_SERIAL_HANDLE);
    EXPECT_EQ(g_bWorkerEnded, 0u) << "the failed worker leaves the handshake words alone";
}

TEST_F(WorkerTest, APressWhileOpeningStartsNoSecondWorker) {
    m_host->HoldPortName(true);
    StartPortWorker(m_host.get());
    StartPortWorker(m_host.get());
    m_host->HoldPortName(false);
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
    ASSERT_TRUE(WaitWorkerProgress([] { return g_bReqSingleStatus == 0; }, 20'000));

    EXPECT_EQ(Titles(m_host->Log()),
              (Lines{"[群体获取状态]", "[群体开锁]", "[单点开锁]", "[单点获取状态]"}));
}

TEST_F(WorkerTest, APressDuringItsOwnTransactionRunsItOnce) {
    Open();
    RaiseRequest(g_bReqGroupUnlock);
    ASSERT_TRUE(m_host->WaitForLine("[群体开锁]"));
    RaiseRequest(g_bReqGroupUnlock);
    ASSERT_TRUE(WaitWorkerProgress([] { return g_bReqGroupUnlock == 0; }, 20'000));

    EXPECT_EQ(Titles(m_host->Log()), Lines{"[群体开锁]"});
}

TEST_F(WorkerTest, AStopDuringATransactionWaitsForItAndLeavesAnEarlierFlagForTheNextOpen) {
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
    ASSERT_TRUE(WaitWorkerProgress([] { return g_bReqGroupStatus == 0; }, 20'000));
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
    EXPECT_EQ(g_hComm, INVALID_SERIAL_HANDLE);
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

}  // namespace
