// velkaro-cli as a process among others: stopped by signals, killed, writing to a stdout that
// fails, on a terminal whose settings it must leave as it found them. The port is the
// simulator's pseudo-terminal, run in this test process.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "nodesim/node_sim.h"
#include "process/testing/child_process.h"
#include "serial/testing/interactive_terminal.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Ms = std::chrono::milliseconds;

// How long a child may take to start and open the port on a loaded machine.
constexpr Ms kStartup = 10s;

// velkaro-cli with these arguments.
class CliProcess : public ChildProcess {
  public:
    explicit CliProcess(const std::vector<std::string>& args,
                        std::optional<int> stdoutFd = std::nullopt)
        : ChildProcess(VELKARO_CLI_PATH, args, stdoutFd) {}
};

class CliProcessTest : public ::testing::Test {
  protected:
    void SetUp() override {
        NodeSimConfig config;
        config.registerPort = false;
        NodeSimObserver observer;
        observer.abandonedHoldReleased = [this](auto) { ++m_releases; };
        m_sim = NodeSim::Start(config, observer);
        ASSERT_TRUE(m_sim);
    }

    const std::string& Port() const { return m_sim->PortPath(); }

    // A short run on the port that must succeed: the port is free again.
    void ExpectPortOpensAgain() {
        CliProcess again({"--port", Port(), "--max-addr", "00", "status", "00"});
        EXPECT_EQ(ExitCode(again.AwaitEnd(kStartup)), 0) << again.Stderr();
        EXPECT_NE(again.Stdout().find("header=5A,addr=00,cmd=00,rsp_param[0]=00"),
                  std::string::npos);
    }

    std::unique_ptr<NodeSim> m_sim;
    std::atomic<int> m_releases{0};
};

TEST_F(CliProcessTest, StopSignalDuringWaitEndsTheRunWithinASecondAndFreesThePort) {
    const struct {
        int signal;
        int exitCode;
        const char* reason;
    } cases[] = {{SIGINT, 130, "SIGINT"}, {SIGTERM, 143, "SIGTERM"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reason);
        CliProcess cli({"--port", Port(), "wait", "60000"});
        ASSERT_TRUE(cli.AwaitLine("[串口已打开]", kStartup)) << cli.Stdout();
        const auto signalled = Clock::now();
        kill(cli.Pid(), c.signal);
        EXPECT_TRUE(cli.AwaitLine("[串口已关闭]", 5s)) << cli.Stdout();
        EXPECT_LE(Clock::now() - signalled, 1s);
        // The exit itself is prompt too, but a sanitizer may hold it up a second by design.
        EXPECT_EQ(ExitCode(cli.AwaitEnd(5s)), c.exitCode);
        EXPECT_NE(cli.Stderr().find(c.reason), std::string::npos) << cli.Stderr();
        ExpectPortOpensAgain();
    }
}

// Ctrl-C in the middle of an acceptance run: the run ends between transactions, the report is
// still written, marked incomplete, and the exit status is the signal's.
TEST_F(CliProcessTest, StopSignalDuringCommissionWritesTheReportIncomplete) {
    char folder[] = "/tmp/velkaro-commission-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string report = std::string(folder) + "/r.json";
    CliProcess cli({"--port", Port(), "--max-addr", "0f", "commission", "--expect", "00-0f",
                    "--report", report});
    ASSERT_TRUE(cli.AwaitLine("[--完毕：单点获取状态--]", kStartup)) << cli.Stdout();
    kill(cli.Pid(), SIGINT);

    EXPECT_EQ(ExitCode(cli.AwaitEnd(5s)), 130) << cli.Stderr();
    EXPECT_NE(cli.Stdout().find("[--验收测试未完成--]"), std::string::npos) << cli.Stdout();
    FILE* file = fopen(report.c_str(), "r");
    ASSERT_NE(file, nullptr);
    std::string text(4096, '\0');
    text.resize(fread(text.data(), 1, text.size(), file));
    fclose(file);
    EXPECT_NE(text.find("\"complete\": false"), std::string::npos) << text;
    EXPECT_NE(text.find("\"result\": \"fail\""), std::string::npos) << text;
    unlink(report.c_str());
    rmdir(folder);
    CliProcess again({"--port", Port(), "wait", "0"});
    EXPECT_EQ(ExitCode(again.AwaitEnd(kStartup)), 0)
        << "the port is free again: " << again.Stderr();
}

// Nothing can stop SIGKILL from leaving the exclusive flag set; the simulator sees the holder
// gone and releases the port.
TEST_F(CliProcessTest, PortOfAKilledRunOpensAgain) {
    CliProcess cli({"--port", Port(), "wait", "60000"});
    ASSERT_TRUE(cli.AwaitLine("[串口已打开]", kStartup));
    kill(cli.Pid(), SIGKILL);
    ASSERT_TRUE(cli.AwaitEnd(5s));
    const auto deadline = Clock::now() + 2s;
    while (m_releases == 0 && Clock::now() < deadline) {
        std::this_thread::sleep_for(5ms);
    }
    EXPECT_EQ(m_releases, 1);
    ExpectPortOpensAgain();
}

// A stdout that cannot be written ends the run with exit status 5 and one line on stderr; the
// port is closed through the normal stop. A closed stdout must not become the port's descriptor.
TEST_F(CliProcessTest, UnwritableStdoutEndsTheRunWithItsOwnStatus) {
    int brokenPipe[2];
    ASSERT_EQ(pipe2(brokenPipe, O_CLOEXEC), 0);
    close(brokenPipe[0]);
    const int full = open("/dev/full", O_WRONLY | O_CLOEXEC);
    ASSERT_GE(full, 0);
    const struct {
        const char* label;
        int stdoutFd;
        const char* reason;
    } cases[] = {
        {"/dev/full", full, "No space left on device"},
        {"closed", -1, "Bad file descriptor"},
        {"pipe without a reader", brokenPipe[1], "Broken pipe"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        for (const bool json : {false, true}) {
            std::vector<std::string> args = {"--port", Port(), "--max-addr", "00", "status", "00"};
            if (json) {
                args.push_back("--json");
            }
            CliProcess cli(args, c.stdoutFd);
            const auto status = cli.AwaitEnd(kStartup);
            ASSERT_TRUE(status) << json;
            EXPECT_EQ(ExitCode(status), 5) << json << ": not killed by a signal either";
            EXPECT_NE(cli.Stderr().find(c.reason), std::string::npos) << cli.Stderr();
            EXPECT_EQ(std::count(cli.Stderr().begin(), cli.Stderr().end(), '\n'), 1)
                << cli.Stderr();
        }
    }
    close(full);
    close(brokenPipe[1]);
    ExpectPortOpensAgain();
}

// The settings of an interactive terminal used as the port: the same before and after a run.
TEST(CliTerminalTest, RunLeavesTheTerminalSettingsAsItFoundThem) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    const std::string slave = ptsname(master);
    const int probe = open(slave.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(probe, 0);
    const std::optional<termios> interactive = MakeInteractive(probe, B38400);
    ASSERT_TRUE(interactive.has_value());
    const termios before = *interactive;

    CliProcess cli({"--port", slave, "wait", "0"});
    EXPECT_EQ(ExitCode(cli.AwaitEnd(kStartup)), 0) << cli.Stderr();

    termios after{};
    ASSERT_EQ(tcgetattr(probe, &after), 0);
    EXPECT_EQ(after.c_iflag, before.c_iflag);
    EXPECT_EQ(after.c_oflag, before.c_oflag);
    EXPECT_EQ(after.c_cflag, before.c_cflag);
    EXPECT_EQ(after.c_lflag, before.c_lflag);
    EXPECT_TRUE(std::equal(std::begin(after.c_cc), std::end(after.c_cc), before.c_cc));
    EXPECT_EQ(cfgetospeed(&after), cfgetospeed(&before));
    close(probe);
    close(master);
}

// Both command-line programs read --lang and VELKARO_LANG alike; the flag wins, and anything but
// zh or en is a usage error before anything else runs.
TEST(ProgramLanguageTest, BothProgramsTakeZhOrEnAndNothingElse) {
    const struct {
        std::vector<std::string> settings;  // env's assignments, then the program's arguments
        int status;
        const char* stderrHas;
    } cases[] = {
        {{"VELKARO_LANG=en", "--version"}, 0, ""},
        {{"VELKARO_LANG=zh", "--lang=en", "--version"}, 0, ""},
        {{"VELKARO_LANG=fr", "--lang", "en", "--version"}, 0, ""},
        {{"--lang", "fr", "--version"}, 2, "--lang: 'fr' is neither zh nor en"},
        {{"VELKARO_LANG=EN", "--version"}, 2, "VELKARO_LANG: 'EN' is neither zh nor en"},
    };
    for (const char* program : {VELKARO_CLI_PATH, VELKARO_NODESIM_PATH}) {
        for (const auto& c : cases) {
            std::vector<std::string> args;
            auto word = c.settings.begin();
            for (; word != c.settings.end() && word->find('=') != std::string::npos &&
                   !word->starts_with("--");
                 ++word) {
                args.push_back(*word);
            }
            args.push_back(program);
            args.insert(args.end(), word, c.settings.end());
            ChildProcess child("/usr/bin/env", args);
            const std::string where = program + (" " + testing::PrintToString(c.settings));
            EXPECT_EQ(ExitCode(child.AwaitEnd(kStartup)), c.status) << where << child.Stderr();
            EXPECT_NE(child.Stderr().find(c.stderrHas), std::string::npos) << where;
        }
    }
}

}  // namespace
