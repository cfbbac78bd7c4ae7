// velkaro-cli's contract, run in-process on the simulated bus.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>

#include "cli/cli_app.h"
#include "nodesim/node_sim.h"
#include "res/testing/cjk.h"
#include "res/texts.h"

namespace {

using Lines = std::vector<std::string>;

struct CliRun {
    int status;
    Lines out;
    std::string err;
    std::string rawOut;
};

// A stdout that takes nothing, like one on a full disk.
class FullBuffer : public std::streambuf {
  protected:
    int_type overflow(int_type) override { return traits_type::eof(); }
};

CliRun RunVelkaroCli(Lines args, std::ostream* failingOut = nullptr) {
    args.insert(args.begin(), "velkaro-cli");
    std::vector<const char*> argv;
    for (const std::string& arg : args) {
        argv.push_back(arg.c_str());
    }
    std::ostringstream out, err;
    RunStop stop;
    const int status = RunCli(static_cast<int>(argv.size()), argv.data(),
                              failingOut != nullptr ? *failingOut : out, err, stop);
    CliRun run{status, {}, err.str(), out.str()};
    std::istringstream lines(run.rawOut);
    for (std::string line; std::getline(lines, line);) {
        run.out.push_back(line);
    }
    return run;
}

std::size_t CountLines(const Lines& lines, const std::string& text) {
    return static_cast<std::size_t>(std::count(lines.begin(), lines.end(), text));
}

TEST(Cli, GroupStatusOnTheSimulatedBusPrintsTheLogLines) {
    const CliRun run = RunVelkaroCli({"--simulate", "group-status"});

    ASSERT_EQ(run.status, 0) << run.err;
    // Opened, six announcement lines, four lines for each of the 16 nodes, the deadline (no
    // node at fe), the end line, closed.
    ASSERT_EQ(run.out.size(), 1u + 6u + 16u * 4u + 2u + 1u);
    EXPECT_EQ(run.out.front(), "[串口已打开]");
    EXPECT_EQ(run.out[1], "[群体获取状态]");
    EXPECT_EQ(run.out[7], "->已获取完成包");
    EXPECT_EQ(run.out[10], "header=5A,addr=00,cmd=00,rsp_param[0]=00");
    EXPECT_EQ(run.out[70], "header=5A,addr=0F,cmd=00,rsp_param[0]=00");
    EXPECT_EQ(run.out[71], "最大预估通讯时间已到，结束通讯");
    EXPECT_EQ(run.out[72], "[--完毕：群体获取状态--]");
    EXPECT_EQ(run.out.back(), "[串口已关闭]");
    EXPECT_TRUE(run.err.empty()) << run.err;
}

TEST(Cli, JsonCarriesTheLogTheCellsAndTheExitStatus) {
    const CliRun run =
        RunVelkaroCli({"--simulate=00-02", "--max-addr", "02", "--json", "group-status"});

    ASSERT_EQ(run.status, 0) << run.err;
    const auto document = nlohmann::json::parse(run.rawOut);
    EXPECT_EQ(document["exit_status"], 0);
    EXPECT_EQ(document["cells"], (nlohmann::json{{"00", "闭"}, {"01", "闭"}, {"02", "闭"}}));
    EXPECT_EQ(document["log"].size(), 1u + 6u + 3u * 4u + 2u + 1u);
    EXPECT_EQ(document["log"][19], "最后一个地址节点数据已收到，结束通讯");
}

TEST(Cli, UnlockBetweenTwoPollsTurnsEveryLockOpen) {
    const CliRun run = RunVelkaroCli({"--simulate", "--max-addr", "0f", "--json", "group-status",
                                      "group-unlock", "group-status"});

    ASSERT_EQ(run.status, 0) << run.err;
    const auto document = nlohmann::json::parse(run.rawOut);
    const auto& writes = document["cell_writes"];
    ASSERT_EQ(writes.size(), 32u);
    for (std::size_t i = 0; i < 16; ++i) {
        EXPECT_EQ(writes[i][1], "闭") << i;
        EXPECT_EQ(writes[16 + i][1], "开") << i;
    }
    const Lines log = document["log"];
    EXPECT_EQ(CountLines(log, "[--完毕：群体开锁--]"), 1u);
    EXPECT_EQ(CountLines(log, "header=5A,addr=0F,cmd=01,rsp_param[0]=00"), 1u);
}

TEST(Cli, SingleNodeOperationsUseTheMaxAddressOfTheLastGroupOperation) {
    const CliRun run = RunVelkaroCli({"--simulate=05", "status", "05", "--max-addr", "05",
                                      "group-status", "unlock", "05", "status", "05"});

    ASSERT_EQ(run.status, 0) << run.err;
    // Before any group operation the max address is 00, so the first frame ends the query.
    EXPECT_EQ(CountLines(run.out, "最后一个地址节点数据已收到，结束通讯"), 4u);
    EXPECT_EQ(CountLines(run.out, "->串口发送:A5,05,01,32,32,00,0F"), 1u);
    EXPECT_EQ(CountLines(run.out, "header=5A,addr=05,cmd=00,rsp_param[0]=01"), 1u)
        << "the lock reads open after the unlock";
}

TEST(Cli, ExitStatusTellsWhatWentWrong) {
    struct Case {
        Lines args;
        int status;
        const char* stderrHas;
    };
    const Case cases[] = {
        {{"--port", "/dev/velkaro-no-such-port", "group-status"}, 1, "串口打开失败"},
        {{"--simulate"}, 2, "no operation"},
        {{"--simulate", "jump"}, 2, "unknown operation"},
        {{"--simulate", "status"}, 2, "needs a node address"},
        {{"--simulate", "status", "ff"}, 2, "is not a node address"},
        {{"--simulate", "unlock", "zz"}, 2, "is not a node address"},
        {{"--simulate", "wait", "soon"}, 2, "is not milliseconds"},
        {{"--simulate", "--polarity", "2", "group-status"}, 2, "polarity"},
        {{"--simulate", "--max-on-time", "2541", "group-unlock"}, 2, "max-on-time"},
        {{"--simulate", "--interval", "256", "group-unlock"}, 2, "interval"},
        {{"--simulate=zz", "group-status"}, 2, "--simulate"},
        {{"--simulate", "--port", "ttyS0", "group-status"}, 2, "exclude"},
        {{"--simulate", "--port", "", "group-status"}, 2, "exclude"},
        {{"--port", "", "group-status"}, 1, "串口打开失败"},
        {{"--port", "/etc/hostname", "group-status"}, 1, "串口打开失败"},
        {{"--port", "/tmp", "group-status"}, 1, "串口打开失败"},
        {{"--port", "../etc/hostname", "group-status"}, 1, "串口打开失败"},
    };
    for (const Case& c : cases) {
        const CliRun run = RunVelkaroCli(c.args);
        EXPECT_EQ(run.status, c.status) << ::testing::PrintToString(c.args);
        EXPECT_NE(run.err.find(c.stderrHas), std::string::npos)
            << ::testing::PrintToString(c.args) << ": " << run.err;
        EXPECT_TRUE(run.out.empty()) << "stdout carries only log lines";
    }
}

// An adapter pulled out: the running transaction keeps its lines and ends at once without an
// end line, the later ones are not attempted, and the run says why it ended.
TEST(Cli, PortThatWentAwayEndsTheRunWithItsOwnStatus) {
    NodeSimConfig config;
    config.registerPort = false;
    config.hangupAfterFrames = 1;
    const auto sim = NodeSim::Start(config);
    ASSERT_TRUE(sim);

    const CliRun run = RunVelkaroCli(
        {"--port", sim->PortPath(), "--max-addr", "00", "group-status", "group-status"});

    EXPECT_EQ(run.status, 4);
    EXPECT_NE(run.err.find("串口已断开"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("the port went away"), std::string::npos) << run.err;
    EXPECT_EQ(CountLines(run.out, "[群体获取状态]"), 1u);
    EXPECT_EQ(CountLines(run.out, "最大预估通讯时间已到，结束通讯"), 0u);
    EXPECT_EQ(CountLines(run.out, "[--完毕：群体获取状态--]"), 0u);
    ASSERT_GE(run.out.size(), 2u);
    EXPECT_EQ(run.out[run.out.size() - 2], "[串口已断开]");
    EXPECT_EQ(run.out.back(), "[串口已关闭]");
}

// Numbers are read as decimal digits only, whatever their leading zeros; the address stays
// hexadecimal. The unlock frame shows what was taken: A5 05 01 <on time / 10> <interval> ...
TEST(Cli, OptionNumbersAreDecimalDigitsOnly) {
    const struct {
        Lines options;
        const char* sendLine;
    } accepted[] = {
        {{"--interval", "010"}, "->串口发送:A5,05,01,32,0A,00,E7"},
        {{"--max-on-time", "0500"}, "->串口发送:A5,05,01,32,32,00,0F"},
        {{"--polarity", "01", "--interval", "0"}, "->串口发送:A5,05,01,32,00,01,DE"},
    };
    for (const auto& c : accepted) {
        Lines args = c.options;
        args.insert(args.end(), {"--simulate=05", "unlock", "05"});
        const CliRun run = RunVelkaroCli(args);
        EXPECT_EQ(run.status, 0) << ::testing::PrintToString(c.options) << run.err;
        EXPECT_EQ(CountLines(run.out, c.sendLine), 1u) << ::testing::PrintToString(run.out);
    }
    const Lines badNumbers = {"0x10", "+5", "-1", "1e2", " 5", "5 ", "", "0o7", "12a"};
    for (const char* option : {"--interval", "--max-on-time", "--polarity"}) {
        for (const std::string& bad : badNumbers) {
            const CliRun run = RunVelkaroCli({"--simulate", option, bad, "group-unlock"});
            EXPECT_EQ(run.status, 2) << option << " '" << bad << "'";
            EXPECT_NE(run.err.find(option), std::string::npos) << run.err;
        }
    }
    for (const std::string& bad : badNumbers) {
        EXPECT_EQ(RunVelkaroCli({"--simulate", "wait", bad}).status, 2) << "wait '" << bad << "'";
    }
    for (const char* bad : {"0x05", "+5", " 5", ""}) {
        EXPECT_EQ(RunVelkaroCli({"--simulate", "status", bad}).status, 2)
            << "status '" << bad << "'";
    }
}

// Whatever the end, --json gives exactly one document on stdout, with the exit status.
TEST(Cli, JsonGivesOneDocumentForEveryEnd) {
    const struct {
        Lines args;
        int status;
        const char* member;
    } cases[] = {
        {{"--json", "--simulate", "jump"}, 2, "error"},
        {{"--json", "--interval", "0x10", "group-unlock"}, 2, "error"},
        {{"--json", "--no-such-option", "group-status"}, 2, "error"},
        {{"--json", "--simulate=zz", "group-status"}, 2, "error"},
        {{"--json", "--port", "", "group-status"}, 1, "error"},
        {{"--json", "ports"}, 0, "ports"},
        {{"--simulate=00", "--max-addr", "00", "status", "00", "--json"}, 0, "log"},
    };
    for (const auto& c : cases) {
        const CliRun run = RunVelkaroCli(c.args);
        EXPECT_EQ(run.status, c.status) << ::testing::PrintToString(c.args);
        nlohmann::json document;
        ASSERT_NO_THROW(document = nlohmann::json::parse(run.rawOut))
            << ::testing::PrintToString(c.args) << run.rawOut;
        EXPECT_EQ(document["exit_status"], c.status);
        EXPECT_TRUE(document.contains(c.member)) << run.rawOut;
    }
    const auto ports = nlohmann::json::parse(RunVelkaroCli({"--json", "ports"}).rawOut);
    EXPECT_TRUE(ports["ports"].is_array());
}

// stdout on a full disk: the run ends at the first line it cannot write, closes the port
// through the normal stop (so it opens again) and says why, with its own exit status.
TEST(Cli, UnwritableStdoutEndsTheRunCleanly) {
    NodeSimConfig config;
    config.registerPort = false;
    std::atomic<int> framesHeard{0};
    NodeSimObserver observer;
    observer.hostFrame = [&framesHeard](const HostFrame&, auto) { ++framesHeard; };
    const auto sim = NodeSim::Start(config, observer);
    ASSERT_TRUE(sim);
    for (const bool json : {false, true}) {
        FullBuffer full;
        std::ostream out(&full);
        Lines args = {"--port", sim->PortPath(), "group-status"};
        if (json) {
            args.push_back("--json");
        }
        const CliRun run = RunVelkaroCli(args, &out);
        EXPECT_EQ(run.status, 5) << json;
        EXPECT_NE(run.err.find("cannot write to stdout"), std::string::npos) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        EXPECT_EQ(framesHeard, json ? 1 : 0) << "the log's first line failed: nothing was sent";
        EXPECT_EQ(RunVelkaroCli({"--port", sim->PortPath(), "wait", "0"}).status, 0);
    }
}

TEST(Cli, PortsListsARunningSimulator) {
    const auto registry =
        std::filesystem::temp_directory_path() / ("velkaro-cli-test-" + std::to_string(::getpid()));
    std::filesystem::create_directories(registry);
    ::setenv("VELKARO_PORT_REGISTRY", registry.c_str(), 1);
    std::string port;
    {
        const auto sim = NodeSim::Start(NodeSimConfig{});
        ASSERT_TRUE(sim);
        port = sim->PortName();
        const CliRun run = RunVelkaroCli({"ports"});
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(CountLines(run.out, port), 1u) << run.rawOut;
    }
    EXPECT_EQ(CountLines(RunVelkaroCli({"ports"}).out, port), 0u)
        << "a stopped simulator is not listed";
    ::unsetenv("VELKARO_PORT_REGISTRY");
    std::filesystem::remove_all(registry);
}

}  // namespace

namespace {

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// A fresh folder for a test's reports, removed with it.
struct ReportFolder {
    std::filesystem::path path = std::filesystem::temp_directory_path() /
                                 ("velkaro-reports-" + std::to_string(::getpid()) + "-" +
                                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
    ReportFolder() { std::filesystem::create_directories(path); }
    ~ReportFolder() { std::filesystem::remove_all(path); }
    std::string operator/(const char* name) const { return (path / name).string(); }
};

std::unique_ptr<NodeSim> StartCabinet(NodeSimConfig config,
                                      std::atomic<int>* framesHeard = nullptr) {
    config.registerPort = false;
    NodeSimObserver observer;
    if (framesHeard != nullptr) {
        observer.hostFrame = [framesHeard](const HostFrame&, auto) { ++*framesHeard; };
    }
    return NodeSim::Start(config, observer);
}

// A CSV row split at its commas, quotes taken off; the fields here hold no comma or quote.
Lines CsvCells(const std::string& row) {
    Lines cells;
    std::stringstream stream(row);
    for (std::string cell; std::getline(stream, cell, ',');) {
        const bool quoted = cell.size() >= 2 && cell.front() == '"' && cell.back() == '"';
        cells.push_back(quoted ? cell.substr(1, cell.size() - 2) : cell);
    }
    if (!row.empty() && row.back() == ',') {
        cells.push_back("");
    }
    return cells;
}

// The CSV's node columns as the JSON report writes them.
std::string CsvValue(const nlohmann::json& value) {
    if (value.is_null()) {
        return "";
    }
    if (value.is_string()) {
        return value.get<std::string>();
    }
    if (value.is_array()) {
        std::string joined;
        for (const auto& item : value) {
            joined += (joined.empty() ? "" : ";") + item.get<std::string>();
        }
        return joined;
    }
    return value.dump();
}

TEST(Cli, CommissionReportsAgreeWithEachOtherAndWithJson) {
    NodeSimConfig config;
    config.nodes = *ParseAddressList("00-03");
    config.jammed = {0x02};
    const auto sim = StartCabinet(config);
    ASSERT_TRUE(sim);
    const ReportFolder folder;

    const CliRun run = RunVelkaroCli({"--port", sim->PortPath(), "--max-addr", "04", "--json",
                                      "commission", "--expect", "00-04", "--cabinet", "A-01",
                                      "--operator", "张三", "--report", folder / "r.json",
                                      "--report", folder / "r.csv", "--report", folder / "r.html"});

    ASSERT_EQ(run.status, 6) << run.err;
    const auto document = nlohmann::json::parse(run.rawOut);
    const auto& acceptance = document["acceptance"];
    EXPECT_EQ(document["exit_status"], 6);
    EXPECT_EQ(nlohmann::json::parse(ReadFile(folder / "r.json")), acceptance);
    EXPECT_EQ(acceptance["result"], "fail");
    EXPECT_EQ(acceptance["complete"], true);
    EXPECT_EQ(acceptance["port"], sim->PortPath());
    EXPECT_EQ(acceptance["settings"]["max_addr"], "04");
    EXPECT_EQ(acceptance["nodes"][2]["reasons"], nlohmann::json::array({"did-not-open"}));
    EXPECT_EQ(acceptance["nodes"][4]["reasons"], nlohmann::json::array({"no-reply"}));
    EXPECT_EQ(acceptance["summary"]["passed"], 3);

    const std::string csv = ReadFile(folder / "r.csv");
    std::vector<std::string> rows;
    for (std::size_t start = 3, end; (end = csv.find("\r\n", start)) != std::string::npos;
         start = end + 2) {
        rows.push_back(csv.substr(start, end - start));
    }
    ASSERT_EQ(rows.size(), 1u + acceptance["nodes"].size());
    const Lines header = CsvCells(rows[0]);
    for (std::size_t i = 0; i < acceptance["nodes"].size(); ++i) {
        const Lines cells = CsvCells(rows[1 + i]);
        ASSERT_EQ(cells.size(), header.size()) << rows[1 + i];
        for (std::size_t c = 0; c < header.size(); ++c) {
            const auto& node = acceptance["nodes"][i];
            const auto& value = node.contains(header[c]) ? node[header[c]] : acceptance[header[c]];
            EXPECT_EQ(cells[c], CsvValue(value)) << header[c] << " of row " << i;
        }
    }

    const std::string html = ReadFile(folder / "r.html");
    EXPECT_NE(html.find("不合格"), std::string::npos);
    EXPECT_NE(html.find("张三"), std::string::npos);
    for (const auto& node : acceptance["nodes"]) {
        EXPECT_NE(html.find("<td>" + node["address"].get<std::string>() + "</td>"),
                  std::string::npos);
    }
}

TEST(Cli, CommissionOfAGoodCabinetPassesInBothModes) {
    for (const char* mode : {"each", "group"}) {
        const CliRun run = RunVelkaroCli({"--simulate=00-03", "--max-addr", "03", "commission",
                                          "--expect", "00-03", "--mode", mode});
        EXPECT_EQ(run.status, 0) << mode << ": " << run.err;
        EXPECT_EQ(CountLines(run.out, "[验收测试]"), 1u);
        EXPECT_EQ(CountLines(run.out, "[--完毕：验收测试--]"), 1u);
        EXPECT_EQ(CountLines(run.out, "[单点开锁]"), std::string(mode) == "each" ? 4u : 0u);
        EXPECT_EQ(CountLines(run.out, "[群体开锁]"), std::string(mode) == "group" ? 1u : 0u);
    }
}

TEST(Cli, CommissionUsageErrorsSendNothing) {
    std::atomic<int> framesHeard{0};
    const auto sim = StartCabinet(NodeSimConfig{}, &framesHeard);
    ASSERT_TRUE(sim);
    const struct {
        Lines args;
        const char* stderrHas;
    } cases[] = {
        {{"commission"}, "--expect"},
        {{"commission", "--expect", "00-ff"}, "--expect"},
        {{"commission", "--expect", "07-03"}, "--expect"},
        {{"commission", "--expect", "00", "--report", "r.txt"}, "--report"},
        {{"commission", "--expect", "00", "--report", "r"}, "--report"},
        {{"commission", "--expect", "00", "--close-wait", "3601"}, "--close-wait"},
        {{"commission", "--expect", "00", "--close-wait", "1.5"}, "--close-wait"},
        {{"commission", "--expect", "00", "--mode", "all"}, "--mode"},
        {{"group-status", "commission", "--expect", "00"}, "alone"},
        {{"--interval", "256", "commission", "--expect", "00"}, "--interval"},
        {{"commission", "--expect", "00", "--report", "/nonexistent-velkaro/r.json"}, "--report"},
    };
    for (const auto& c : cases) {
        Lines args = {"--port", sim->PortPath()};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const CliRun run = RunVelkaroCli(args);
        EXPECT_EQ(run.status, 2) << ::testing::PrintToString(c.args);
        EXPECT_NE(run.err.find(c.stderrHas), std::string::npos)
            << ::testing::PrintToString(c.args) << ": " << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    }
    EXPECT_EQ(framesHeard, 0);
}

TEST(Cli, CommissionCutByAHangUpWritesIncompleteReports) {
    NodeSimConfig config;
    config.nodes = *ParseAddressList("00-03");
    config.hangupAfterFrames = 3;  // the first node's query
    const auto sim = StartCabinet(config);
    ASSERT_TRUE(sim);
    const ReportFolder folder;

    const CliRun run =
        RunVelkaroCli({"--port", sim->PortPath(), "--max-addr", "03", "commission", "--expect",
                       "00-03", "--report", folder / "r.json", "--report", folder / "r.html"});

    EXPECT_EQ(run.status, 4) << run.err;
    EXPECT_NE(run.err.find("the port went away"), std::string::npos) << run.err;
    const auto report = nlohmann::json::parse(ReadFile(folder / "r.json"));
    EXPECT_EQ(report["complete"], false);
    EXPECT_EQ(report["result"], "fail");
    EXPECT_EQ(report["summary"]["unverified"], 4);
    EXPECT_NE(ReadFile(folder / "r.html").find("测试未完成"), std::string::npos);
}

// A text of the tables as a pattern for a whole line: its placeholders capture their values.
std::regex LinePattern(const std::string& format) {
    static const std::regex special(R"([.^$|()\[\]{}*+?\\])");
    static const std::regex placeholder(R"(%[-+ #0]*[0-9]*(hh|h|ll|l|z)?[diouxXsc])");
    std::string pattern;
    std::sregex_token_iterator part(format.begin(), format.end(), placeholder, {-1, 0});
    for (; part != std::sregex_token_iterator(); ++part) {
        const std::string text = *part;
        pattern += std::regex_match(text, placeholder)
                       ? "(.*?)"
                       : std::regex_replace(text, special, R"(\$&)");
    }
    return std::regex(pattern);
}

// The texts a log line may be: every text of the tables, and the raw-data line, which is made
// of two with the bytes between them.
const std::regex& Placeholder() {
    static const std::regex placeholder(R"(%[-+ #0]*[0-9]*(hh|h|ll|l|z)?[diouxXsc])");
    return placeholder;
}

std::vector<std::pair<std::regex, std::string>> LineFormats() {
    using res::Language;
    using res::TextId;
    const auto raw = [](Language language) {
        return std::string(res::Text(TextId::LogRawPrefix, language)) + "%s" +
               res::Text(TextId::LogRawTime, language);
    };
    std::vector<std::pair<std::regex, std::string>> formats = {
        {LinePattern(raw(Language::English)), raw(Language::Chinese)}};
    for (int i = 0; i < static_cast<int>(TextId::Count); ++i) {
        const auto id = static_cast<TextId>(i);
        const std::string english = res::Text(id, Language::English);
        // A text that is only a value (a count in a cell, say) would match any line.
        if (std::regex_replace(english, Placeholder(), "").empty()) {
            continue;
        }
        formats.emplace_back(LinePattern(english), res::Text(id, Language::Chinese));
    }
    return formats;
}

// The Chinese line an English one stands for: the English text that the whole line is, put
// back into Chinese with the same values in its placeholders. A line of no text (a reply's
// fields) stands for itself.
std::string InChinese(const std::string& line) {
    static const auto formats = LineFormats();
    const std::regex& placeholder = Placeholder();
    for (const auto& [english, chinese] : formats) {
        std::smatch values;
        if (!std::regex_match(line, values, english)) {
            continue;
        }
        std::string result;
        std::size_t next = 1;
        std::sregex_token_iterator part(chinese.begin(), chinese.end(), placeholder, {-1, 0});
        for (; part != std::sregex_token_iterator(); ++part) {
            const std::string text = *part;
            result += std::regex_match(text, placeholder) ? values[next++].str() : text;
        }
        return result;
    }
    return line;
}

// The milliseconds of a raw-data line differ from run to run; their place and shape do not.
std::string WithoutTime(const std::string& line) {
    static const std::regex time(",时间 [0-9]+ms$");
    return std::regex_replace(line, time, ",时间 {ms}ms");
}

TEST(CliLanguage, EnglishLinesCorrespondOneToOneWithTheChineseRun) {
    NodeSimConfig config;
    config.nodes = *ParseAddressList("00-03");
    config.jammed = {0x02};
    const ReportFolder folder;
    const std::vector<std::pair<std::string, Lines>> runs = {
        {"a poll and unlocks",
         {"--max-addr", "03", "group-status", "unlock", "01", "status", "01", "group-unlock",
          "group-status"}},
        {"an acceptance run",
         {"--max-addr", "04", "commission", "--expect", "00-04", "--cabinet", "A-01", "--report",
          folder / "r.html"}},
    };
    for (const auto& [what, args] : runs) {
        std::map<std::string, CliRun> byLanguage;
        for (const char* language : {"zh", "en"}) {
            const auto sim = StartCabinet(config);
            ASSERT_TRUE(sim);
            Lines withPort = {"--lang", language, "--port", sim->PortPath()};
            withPort.insert(withPort.end(), args.begin(), args.end());
            byLanguage[language] = RunVelkaroCli(withPort);
        }
        const CliRun& zh = byLanguage["zh"];
        const CliRun& en = byLanguage["en"];
        EXPECT_EQ(en.status, zh.status) << what << ": " << en.err;
        ASSERT_EQ(en.out.size(), zh.out.size()) << what;
        ASSERT_GT(zh.out.size(), 20u) << what;
        for (std::size_t i = 0; i < en.out.size(); ++i) {
            EXPECT_FALSE(cjk::HoldsCjk(en.out[i])) << what << ", line " << i << ": " << en.out[i];
            EXPECT_EQ(WithoutTime(InChinese(en.out[i])), WithoutTime(zh.out[i]))
                << what << ", line " << i << ": " << en.out[i];
        }
        EXPECT_FALSE(cjk::HoldsCjk(en.err)) << en.err;
    }
    const std::string html = ReadFile(folder / "r.html");
    EXPECT_NE(html.find("<html lang=\"en\">"), std::string::npos);
    EXPECT_NE(html.find(">Fail<"), std::string::npos);
    EXPECT_FALSE(cjk::HoldsCjk(html)) << html;
}

TEST(CliLanguage, TheEnvironmentChoosesUnlessTheFlagDoes) {
    const struct {
        const char* environment;  // null: unset
        Lines flag;
        int status;
        const char* firstLine;
    } cases[] = {
        {"en", {}, 0, "[Port opened]"},
        {"en", {"--lang", "zh"}, 0, "[串口已打开]"},
        {"zh", {"--lang=en"}, 0, "[Port opened]"},
        {nullptr, {}, 0, "[串口已打开]"},
        {"fr", {}, 2, nullptr},
        {nullptr, {"--lang", "cn"}, 2, nullptr},
        {"en", {"--lang", "EN"}, 2, nullptr},
    };
    for (const auto& c : cases) {
        if (c.environment != nullptr) {
            ::setenv("VELKARO_LANG", c.environment, 1);
        } else {
            ::unsetenv("VELKARO_LANG");
        }
        Lines args = c.flag;
        args.insert(args.end(), {"--simulate=00", "--max-addr", "00", "status", "00"});
        const CliRun run = RunVelkaroCli(args);
        ::unsetenv("VELKARO_LANG");
        const std::string where = std::string("VELKARO_LANG=") +
                                  (c.environment ? c.environment : "(unset)") + " " +
                                  ::testing::PrintToString(c.flag);
        ASSERT_EQ(run.status, c.status) << where << ": " << run.err;
        if (c.firstLine != nullptr) {
            ASSERT_FALSE(run.out.empty()) << where;
            EXPECT_EQ(run.out.front(), c.firstLine) << where;
        } else {
            EXPECT_TRUE(run.out.empty()) << where;
            EXPECT_NE(run.err.find("is neither zh nor en"), std::string::npos) << run.err;
        }
    }
}

}  // namespace
