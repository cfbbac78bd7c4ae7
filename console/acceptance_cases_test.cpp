// The acceptance dialog, the same cases for both windows through the driver that the build picks
// (console/acceptance_driver.h): its opening, its prompts, and runs on a simulated cabinet of
// eight nodes with the lock of 03 jammed and node 05 silent, whole and compared with what the
// command line makes of an equal cabinet, stopped, cut by a close of the main window or by a
// hang-up. What one window alone has stays in its own tests.
#include <gtest/gtest.h>

#include <unistd.h>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "acceptance/report.h"
#include "console/acceptance_driver.h"
#include "console/acceptance_test_support.h"
#include "console/dialog/win_app.h"
#include "console/file_dialog_recorder.h"
#include "console/message_box_recorder.h"
#include "serial/serial.h"
#include "worker/port_worker.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Lines = std::vector<std::string>;

constexpr auto kRunTimeout = 30s;
constexpr const char* kCabinet = "A-017 <b>&\"";
constexpr const char* kOperator = "张三";
// A folder of this test process's own for the reports.
std::filesystem::path ReportFolder() {
    return std::filesystem::temp_directory_path() /
           ("velkaro-acceptance-cases-" + std::to_string(::getpid()));
}

// The main window over the cabinet's port, which is selected, and a max address of 07.
class AcceptanceDialogTest : public testing::Test {
  protected:
    explicit AcceptanceDialogTest(SimulatedBus bus = SimulatedBus::AcceptanceCabinet)
        : driver(bus) {}
    void SetUp() override { ASSERT_TRUE(window.Shown()) << "the bus and the window"; }
    void TearDown() override { ClearRequests(); }

    bool ServeUntil(const std::function<bool()>& done) {
        return window.ServeUntil(done, kRunTimeout);
    }
    void OpenPort() {
        window.Click(IDC_BTN_OPEN_PORT);
        ASSERT_TRUE(ServeUntilLogged(window, "[串口已打开]", kRunTimeout));
        ASSERT_NE(g_hComm, kInvalidSerialHandle);
    }
    void OpenDialog() {
        driver.OpenFromTheSystemMenu();
        ASSERT_NE(driver.Dialog(), nullptr);
        ASSERT_TRUE(driver.Visible());
    }
    bool RunEnds() {
        return ServeUntil([&] { return !driver.Dialog()->Running(); });
    }

    MessageBoxRecorder boxes;
    AcceptanceDriver driver;
    MainWindowDriver& window = driver.Main();
};

class AcceptanceDialogWithoutABusTest : public AcceptanceDialogTest {
  protected:
    AcceptanceDialogWithoutABusTest() : AcceptanceDialogTest(SimulatedBus::None) {}
};

TEST_F(AcceptanceDialogWithoutABusTest,
       CtrlTOpensTheDialogWithItsControlsAndTheExpectedAddressesPrefilled) {
    driver.PressCtrlT();
    ASSERT_TRUE(window.ServeUntil([&] { return driver.Visible(); }, 5s));

    EXPECT_EQ(driver.Title(), "验收测试");
    EXPECT_EQ(driver.Text(IDC_EDIT_EXPECT), "00-07");
    EXPECT_EQ(driver.Text(IDC_EDIT_CLOSE_WAIT), "0");
    EXPECT_TRUE(driver.Checked(IDC_RADIO_MODE_EACH));
    EXPECT_FALSE(driver.Checked(IDC_RADIO_MODE_GROUP));
    EXPECT_EQ(driver.Text(IDC_RADIO_MODE_GROUP), "群体开锁");
    EXPECT_EQ(driver.Text(IDC_BTN_SAVE_REPORT), "保存报告...");
    EXPECT_TRUE(driver.HasProgressBar(IDC_PROGRESS_NODES));
    EXPECT_TRUE(driver.Enabled(IDC_BTN_START));
    EXPECT_FALSE(driver.Enabled(IDC_BTN_STOP));
    EXPECT_FALSE(driver.Enabled(IDC_BTN_SAVE_REPORT));
    EXPECT_EQ(driver.Rows(), 0);

    // A second opening brings back the same dialog.
    CAcceptanceDlg* first = driver.Dialog();
    driver.Click(IDCANCEL);
    EXPECT_FALSE(driver.Visible());
    driver.OpenFromTheSystemMenu();
    EXPECT_EQ(driver.Dialog(), first);
    EXPECT_TRUE(driver.Visible());
}

TEST_F(AcceptanceDialogWithoutABusTest, WithoutAnOpenPortStartSaysSo) {
    OpenDialog();
    driver.Click(IDC_BTN_START);
    ASSERT_EQ(boxes.requests.size(), 1u);
    EXPECT_EQ(boxes.requests[0].text, "串口尚未打开");
    EXPECT_FALSE(driver.Dialog()->Running());
}

class AcceptancePromptTest : public AcceptanceDialogTest,
                             public testing::WithParamInterface<AcceptancePromptCase> {};

// With the port open, so that nothing else keeps the run from starting.
TEST_P(AcceptancePromptTest, ABadFieldShowsItsPromptThenSelectsItsTextAndStartsNothing) {
    const AcceptancePromptCase& c = GetParam();
    OpenPort();
    OpenDialog();
    driver.SetField(c.field, c.text);
    driver.Click(IDC_BTN_START);

    ASSERT_EQ(boxes.requests.size(), 1u);
    EXPECT_EQ(boxes.requests[0].text, c.prompt);
    EXPECT_EQ(boxes.requests[0].caption, AfxGetAppName());
    EXPECT_TRUE(driver.Focused(c.field));
    EXPECT_EQ(driver.SelectedText(c.field), c.text) << "all of it";
    EXPECT_EQ(driver.Text(c.field), c.text);
    EXPECT_FALSE(driver.Dialog()->Running());
    EXPECT_EQ(g_bReqAcceptance.load(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Fields, AcceptancePromptTest, testing::ValuesIn(kAcceptancePromptCases),
                         [](const testing::TestParamInfo<AcceptancePromptCase>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(AcceptanceDialogTest, EightNodesWithAJammedLockAndASilentNodeFailAsOnTheCommandLine) {
    OpenPort();
    OpenDialog();
    driver.SetField(IDC_EDIT_CABINET, kCabinet);
    driver.SetField(IDC_EDIT_OPERATOR, kOperator);
    driver.WatchProgress();

    driver.Click(IDC_BTN_START);
    ASSERT_TRUE(driver.Dialog()->Running());
    EXPECT_FALSE(driver.Enabled(IDC_BTN_START));
    EXPECT_TRUE(driver.Enabled(IDC_BTN_STOP));
    // The main window's operation buttons set no flag while the run goes.
    ASSERT_TRUE(ServeUntil([] { return g_bReqAcceptance != 0; }));
    window.Click(IDC_BTN_GROUP_STATUS);
    EXPECT_EQ(g_bReqGroupStatus.load(), 0u);
    ASSERT_TRUE(RunEnds());

    // Rows: one per node, the jammed and the silent node failed with their reasons.
    ASSERT_EQ(driver.Rows(), 8);
    for (int row = 0; row < 8; ++row) {
        Lines cells;
        for (int column = 0; column < 7; ++column) {
            cells.push_back(driver.Cell(row, column));
        }
        char address[3];
        std::snprintf(address, sizeof address, "%02X", row);
        if (row == 3) {
            EXPECT_EQ(cells, (Lines{address, "有", "闭", "闭", "--", "不合格", "开锁后锁仍为闭"}));
        } else if (row == 5) {
            EXPECT_EQ(cells, (Lines{address, "无", "--", "--", "--", "不合格", "扫描无应答"}));
        } else {
            EXPECT_EQ(cells, (Lines{address, "有", "闭", "开", "--", "合格", ""}));
        }
    }
    // Progress: the scan, then each of the seven nodes that answered it, in turn.
    EXPECT_EQ(driver.ProgressMaximum(), 7);
    EXPECT_EQ(driver.Progress(), 7);
    EXPECT_EQ(driver.ProgressShown(), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7}));
    // The result, large and red, and the summary.
    EXPECT_EQ(driver.Text(IDC_STATIC_VERDICT), "不合格");
    const VerdictLook verdict = driver.Verdict();
    EXPECT_EQ(verdict.red, 204);
    EXPECT_EQ(verdict.green, 0);
    EXPECT_EQ(verdict.blue, 0);
    EXPECT_GE(verdict.pointSize, 20);
    EXPECT_EQ(driver.Text(IDC_STATIC_SUMMARY),
              "预期节点 8，合格 6，不合格 2，未验证 0，非预期节点 0");
    EXPECT_TRUE(driver.Enabled(IDC_BTN_START));
    EXPECT_FALSE(driver.Enabled(IDC_BTN_STOP));
    EXPECT_TRUE(boxes.requests.empty());
    const Lines windowLog = window.Log();

    // The three reports through the save dialog.
    const std::filesystem::path dir = ReportFolder();
    std::filesystem::create_directories(dir);
    const std::string formats[] = {"html", "csv", "json"};
    {
        FileDialogRecorder answers;
        for (const std::string& format : formats) {
            answers.answer = (dir / ("window." + format)).string();
            driver.Click(IDC_BTN_SAVE_REPORT);
        }
        ASSERT_EQ(answers.requests.size(), 3u);
        EXPECT_EQ(answers.requests[0].defaultName, std::string(kCabinet) + ".html");
        EXPECT_EQ(answers.requests[0].extension, "html");
        ASSERT_EQ(answers.requests[0].moreTypes.size(), 2u);
        EXPECT_EQ(answers.requests[0].moreTypes[0].extension, "csv");
        EXPECT_EQ(answers.requests[0].moreTypes[1].extension, "json");
    }
    EXPECT_TRUE(boxes.requests.empty());

    // An equal cabinet from the command line.
    std::vector<std::string> arguments = {"--max-addr", "07",     "commission", "--expect", "00-07",
                                          "--cabinet",  kCabinet, "--operator", kOperator};
    for (const std::string& format : formats) {
        arguments.insert(arguments.end(), {"--report", (dir / ("cli." + format)).string()});
    }
    const CommandLineRun cli = driver.RunCommandLine(arguments, dir);
    ASSERT_FALSE(cli.port.empty()) << "a bus for the command line";
    EXPECT_EQ(cli.exitStatus, 6) << cli.errors;
    for (const std::string& format : formats) {
        const std::string report = ReadFile(dir / ("window." + format));
        ASSERT_FALSE(report.empty()) << format;
        EXPECT_EQ(NormalisedReport(report, window.BusPort(), AfxGetAppName()),
                  NormalisedReport(ReadFile(dir / ("cli." + format)), cli.port, "velkaro-cli"))
            << format;
    }
    const nlohmann::json report = nlohmann::json::parse(ReadFile(dir / "window.json"));
    EXPECT_EQ(report["cabinet"], kCabinet);
    EXPECT_EQ(report["operator"], kOperator);
    EXPECT_TRUE(expected_log::LogMatches(windowLog, EightNodeRunLog()));
    ExpectTheCommandLinesLog(windowLog, cli.output);
    std::filesystem::remove_all(dir);
}

// Runs cut short: stopped, or ended by a close of the main window.
class CutAcceptanceRunTest : public AcceptanceDialogTest {
  protected:
    CutAcceptanceRunTest() : AcceptanceDialogTest(SimulatedBus::AcceptanceCabinetForCutRuns) {}
};

TEST_F(CutAcceptanceRunTest, StopEndsTheRunAtItsNextTransactionMarkedIncomplete) {
    OpenPort();
    OpenDialog();
    driver.SetField(IDC_EDIT_EXPECT, "00-07");
    driver.Click(IDC_BTN_START);
    ASSERT_TRUE(ServeUntil([&] { return driver.Rows() == 8 && driver.Progress() >= 1; }));
    const auto stopped = Clock::now();
    driver.Click(IDC_BTN_STOP);
    ASSERT_TRUE(RunEnds());
    const auto stopTook = Clock::now() - stopped;
    std::printf("stop: the run's result shown %lld ms after the click\n", Milliseconds(stopTook));
    EXPECT_LT(stopTook, kRunEndBound);

    ASSERT_TRUE(driver.Dialog()->Result().has_value());
    EXPECT_FALSE(driver.Dialog()->Result()->Complete());
    EXPECT_EQ(driver.Text(IDC_STATIC_VERDICT), "不合格");
    EXPECT_TRUE(driver.Text(IDC_STATIC_SUMMARY).starts_with("测试未完成（已停止）"));
    EXPECT_EQ(window.Log().back(), "[--验收测试未完成--]");
    EXPECT_NE(g_hComm, kInvalidSerialHandle) << "the port stays open";
    EXPECT_EQ(window.Text(IDC_BTN_OPEN_PORT), "关闭串口");
    EXPECT_EQ(g_bReqAcceptance.load(), 0u);

    // The bus is free again for the operation buttons.
    window.Click(IDC_BTN_GROUP_STATUS);
    EXPECT_TRUE(ServeUntil([&] { return window.Log().back() == "[--完毕：群体获取状态--]"; }));
    window.Click(IDC_BTN_OPEN_PORT);
    EXPECT_EQ(g_hComm, kInvalidSerialHandle);
    EXPECT_TRUE(boxes.requests.empty());
}

TEST_F(CutAcceptanceRunTest, ClosingTheMainWindowStopsTheRunAndClosesThePort) {
    OpenPort();
    OpenDialog();
    driver.Click(IDC_BTN_START);
    ASSERT_TRUE(ServeUntil([&] { return driver.Rows() == 8 && driver.Progress() >= 1; }));

    const auto closed = Clock::now();
    window.Close();
    ExpectTheCloseEndedTheRun("close", Clock::now() - closed, boxes);
}

// The time of the first line of a saved log that starts with `start`, in milliseconds of its
// day; -1 if there is none. A saved line: "2026-01-02 03:04:05.678", a tab, the text, CRLF.
long long SavedLineTime(const std::string& savedLog, const std::string& start) {
    for (const std::string& line : SplitLines(savedLog)) {
        if (line.size() > 24 && line.compare(24, start.size(), start) == 0) {
            const auto field = [&](size_t at, size_t length) {
                return std::stoll(line.substr(at, length));
            };
            return ((field(11, 2) * 60 + field(14, 2)) * 60 + field(17, 2)) * 1000 + field(20, 3);
        }
    }
    return -1;
}

class HungUpAcceptanceRunTest : public AcceptanceDialogTest {
  protected:
    HungUpAcceptanceRunTest() : AcceptanceDialogTest(SimulatedBus::AcceptanceCabinetHangingUp) {}
};

// The line hangs up as node 01's unlock arrives, as when the adapter is pulled out during the
// run.
TEST_F(HungUpAcceptanceRunTest, AHangUpEndsTheRunMarkedIncompleteAndClosesThePortWithOneBox) {
    OpenPort();
    OpenDialog();
    driver.Click(IDC_BTN_START);
    // Node 00 checked: its query's reply ends that, and node 01's unlock follows at once.
    ASSERT_TRUE(ServeUntil([&] { return driver.Progress() >= 1; }));
    const auto firstNodeDone = Clock::now();
    ASSERT_TRUE(RunEnds());
    const auto shownAfter = Clock::now() - firstNodeDone;
    ASSERT_TRUE(ServeUntil([] { return !PortWorkerRunning(); }));
    EXPECT_LT(shownAfter, kRunEndBound);

    // The log's times are the worker's, taken as it wrote each line: from the frame that the
    // port went away on to the run's last line.
    const std::filesystem::path saved = std::filesystem::temp_directory_path() /
                                        ("velkaro-hang-up-" + std::to_string(::getpid()) + ".log");
    {
        FileDialogRecorder answers;
        answers.answer = saved.string();
        window.Dlg().SendMessage(WM_COMMAND, IDM_LOG_SAVE);
    }
    const std::string savedLog = ReadFile(saved);
    std::filesystem::remove(saved);
    const long long lastFrame = SavedLineTime(savedLog, "->串口发送:A5,01,01,");
    const long long runEnd = SavedLineTime(savedLog, "[--验收测试未完成--]");
    ASSERT_GE(lastFrame, 0) << savedLog;
    ASSERT_GE(runEnd, lastFrame) << savedLog;
    std::printf("hang-up: the run ended %lld ms after node 01's unlock went out\n",
                runEnd - lastFrame);
    EXPECT_LT(std::chrono::milliseconds(runEnd - lastFrame), kRunEndBound);

    ASSERT_TRUE(driver.Dialog()->Result().has_value());
    EXPECT_EQ(driver.Dialog()->Result()->end, AcceptanceEnd::PortGone);
    EXPECT_TRUE(driver.Text(IDC_STATIC_SUMMARY).starts_with("测试未完成（串口已断开）"));
    EXPECT_EQ(driver.Text(IDC_STATIC_VERDICT), "不合格");
    EXPECT_EQ(driver.Cell(0, 5), "合格");
    EXPECT_EQ(driver.Cell(1, 5), "未验证");
    EXPECT_TRUE(driver.Enabled(IDC_BTN_START));
    EXPECT_FALSE(driver.Enabled(IDC_BTN_STOP));

    // The port closed, as any port that goes away is, with its one box.
    const Lines log = window.Log();
    ASSERT_GE(log.size(), 4u);
    EXPECT_EQ(Lines(log.end() - 3, log.end()),
              (Lines{"[--验收测试未完成--]", "[串口已断开]", "[串口已关闭]"}));
    ASSERT_EQ(boxes.requests.size(), 1u);
    EXPECT_EQ(boxes.requests[0].text, "串口已断开");
    EXPECT_EQ(window.Text(IDC_BTN_OPEN_PORT), "打开串口");
    EXPECT_EQ(g_hComm, kInvalidSerialHandle);
    EXPECT_EQ(g_bReqAcceptance.load(), 0u);
}

}  // namespace
