// velkaro-cli's record of a run: --log and --trace against the simulator, read back by the
// tools a technician uses (capinfos, and tshark with our dissector).
#include <gtest/gtest.h>
#include <signal.h>
#include <stdio.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <regex>
#include <sstream>

#include "nodesim/node_sim.h"
#include "process/testing/child_process.h"

namespace {

using namespace std::chrono_literals;

constexpr std::chrono::milliseconds kRunLimit = 30s;

// A command's exit status and its stdout.
struct ToolRun {
    int status;
    std::string output;
};

ToolRun RunTool(const std::string& command) {
    FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
    std::string output;
    char chunk[4096];
    for (size_t n; (n = fread(chunk, 1, sizeof chunk, pipe)) > 0;) {
        output.append(chunk, n);
    }
    const int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

// Address, command and checksum verdict of every packet, one line each, as tshark lists them.
std::string DissectedFrames(const std::filesystem::path& trace) {
    const ToolRun run =
        RunTool("tshark -X lua_script:" VELKARO_DISSECTOR_PATH " -r '" + trace.string() +
                "' -T fields -e velkaro.addr -e velkaro.cmd -e velkaro.checksum_ok");
    EXPECT_EQ(run.status, 0);
    return run.output;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// The line tshark prints for a frame: "0x05\t0x01\t1".
std::string FieldsLine(const uint8_t* frame, std::size_t size) {
    uint32_t sum = 0;
    for (std::size_t i = 0; i + 1 < size; ++i) {
        sum += frame[i];
    }
    char line[32];
    std::snprintf(line, sizeof line, "0x%02x\t0x%02x\t%d", frame[1], frame[2],
                  static_cast<uint8_t>(sum) == frame[size - 1] ? 1 : 0);
    return line;
}

class CliRecordTest : public ::testing::Test {
  protected:
    void SetUp() override {
        m_dir = std::filesystem::temp_directory_path() /
                ("velkaro-record-" + std::to_string(getpid()) +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(m_dir);
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    // Starts the simulator with nodes 00 to 03; every frame on the wire is kept, in order.
    void StartNodes(const std::function<void(NodeSimConfig&)>& adjust = nullptr) {
        NodeSimConfig config;
        config.registerPort = false;
        config.nodes = {0x00, 0x01, 0x02, 0x03};
        if (adjust) {
            adjust(config);
        }
        NodeSimObserver observer;
        observer.hostFrame = [this](const HostFrame& frame, auto) {
            std::lock_guard lock(m_mutex);
            m_wire.push_back(FieldsLine(frame.data(), frame.size()));
        };
        observer.replyWritten = [this](const ReplyFrame& reply, auto) {
            std::lock_guard lock(m_mutex);
            m_wire.push_back(FieldsLine(reply.data(), reply.size()));
        };
        m_sim = NodeSim::Start(config, observer);
        ASSERT_TRUE(m_sim);
    }

    std::vector<std::string> Wire() {
        std::lock_guard lock(m_mutex);
        return m_wire;
    }

    std::filesystem::path m_dir;
    std::unique_ptr<NodeSim> m_sim;
    std::mutex m_mutex;
    std::vector<std::string> m_wire;
};

}  // namespace

TEST_F(CliRecordTest, TraceHoldsExactlyTheFramesOnTheWireAndTheLogFileTheLinesWithTimes) {
    StartNodes();
    const auto trace = m_dir / "t.pcapng";
    const auto log = m_dir / "l.log";
    ChildProcess cli(VELKARO_CLI_PATH,
                     {"--port", m_sim->PortPath(), "--max-addr", "03", "--trace", trace.string(),
                      "--log", log.string(), "group-status", "unlock", "02", "status", "01"});
    ASSERT_EQ(ExitCode(cli.AwaitEnd(kRunLimit)), 0) << cli.Stderr();

    const ToolRun capinfos = RunTool("capinfos '" + trace.string() + "'");
    EXPECT_EQ(capinfos.status, 0);
    EXPECT_NE(capinfos.output.find("Capture application: velkaro-cli"), std::string::npos)
        << capinfos.output;
    EXPECT_NE(capinfos.output.find("Name = " + m_sim->PortPath()), std::string::npos);

    // The poll, four replies, the unlock and its reply, the status and its reply.
    const std::vector<std::string> wire = Wire();
    EXPECT_EQ(wire.size(), 9u);
    EXPECT_EQ(Lines(DissectedFrames(trace)), wire);

    // The log file: stdout's lines, in order, each after a time that never goes back.
    const std::regex timed(R"((\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3})\t(.*))");
    const std::vector<std::string> stdoutLines = Lines(cli.Stdout());
    const std::vector<std::string> logLines = Lines(ReadFile(log));
    ASSERT_EQ(logLines.size(), stdoutLines.size());
    std::string previous;
    for (std::size_t i = 0; i < logLines.size(); ++i) {
        std::smatch parts;
        ASSERT_TRUE(std::regex_match(logLines[i], parts, timed)) << logLines[i];
        EXPECT_EQ(parts[2], stdoutLines[i]);
        EXPECT_GE(parts[1].str(), previous) << i;
        previous = parts[1];
    }
}

TEST_F(CliRecordTest, ACorruptedReplyShowsItsChecksumAsWrong) {
    StartNodes([](NodeSimConfig& config) { config.badChecksum = {0x01}; });
    const auto trace = m_dir / "bad.pcapng";
    ChildProcess cli(VELKARO_CLI_PATH,
                     {"--port", m_sim->PortPath(), "--trace", trace.string(), "status", "01"});
    ASSERT_EQ(ExitCode(cli.AwaitEnd(kRunLimit)), 0) << cli.Stderr();
    EXPECT_EQ(Lines(DissectedFrames(trace)),
              (std::vector<std::string>{"0x01\t0x00\t1", "0x01\t0x00\t0"}));
}

TEST_F(CliRecordTest, TheTraceIsCompleteAfterCtrlC) {
    StartNodes();
    const auto trace = m_dir / "stopped.pcapng";
    ChildProcess cli(VELKARO_CLI_PATH, {"--port", m_sim->PortPath(), "--max-addr", "03", "--trace",
                                        trace.string(), "group-status", "wait", "60000"});
    ASSERT_TRUE(cli.AwaitLine("[--完毕：群体获取状态--]", kRunLimit)) << cli.Stderr();
    kill(cli.Pid(), SIGINT);
    EXPECT_EQ(ExitCode(cli.AwaitEnd(kRunLimit)), 130);
    EXPECT_EQ(RunTool("capinfos '" + trace.string() + "'").status, 0);
    EXPECT_EQ(Lines(DissectedFrames(trace)).size(), 5u);
}

TEST_F(CliRecordTest, TheTraceIsCompleteAfterTheAdapterWasPulledOut) {
    // The second frame arrives, then the port hangs up.
    StartNodes([](NodeSimConfig& config) { config.hangupAfterFrames = 2; });
    const auto trace = m_dir / "gone.pcapng";
    ChildProcess cli(VELKARO_CLI_PATH,
                     {"--port", m_sim->PortPath(), "--max-addr", "03", "--trace", trace.string(),
                      "group-status", "status", "01", "status", "02"});
    EXPECT_EQ(ExitCode(cli.AwaitEnd(kRunLimit)), 4) << cli.Stderr();
    EXPECT_EQ(RunTool("capinfos '" + trace.string() + "'").status, 0);
    EXPECT_EQ(Lines(DissectedFrames(trace)), Wire());
}

TEST_F(CliRecordTest, ARecordFileThatCannotBeCreatedEndsTheRunBeforeThePortOpens) {
    StartNodes();
    const std::string missing = (m_dir / "missing" / "x").string();
    for (const char* option : {"--log", "--trace"}) {
        ChildProcess cli(VELKARO_CLI_PATH,
                         {"--port", m_sim->PortPath(), option, missing, "status", "01"});
        EXPECT_EQ(ExitCode(cli.AwaitEnd(kRunLimit)), 2) << option;
        EXPECT_EQ(cli.Stdout(), "") << option;
        EXPECT_NE(cli.Stderr().find(std::string(option) + ": cannot create"), std::string::npos)
            << cli.Stderr();
    }
    EXPECT_TRUE(Wire().empty());
}
