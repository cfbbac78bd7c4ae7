// The acceptance dialog against simulated nodes on a pseudo-terminal: a cabinet of eight nodes
// with one jammed lock and one silent node, driven from the window as the operator does, and
// compared with what the command line makes of the same bus.
#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "acceptance/report.h"
#include "console/VelkaroDlg.h"
#include "console/acceptance_test_support.h"
#include "console/console_test_support.h"
#include "console/file_dialog_recorder.h"
#include "console/testing/event_loop.h"
#include "nodesim/node_sim.h"
#include "serial/serial.h"

namespace {

using namespace std::chrono_literals;
using Lines = std::vector<std::string>;

constexpr int kRunTimeoutMs = 30'000;
constexpr const char* kCabinet = "A<b>&\"";
constexpr const char* kOperator = "王工";

NodeSimConfig EightNodeCabinet() {
    NodeSimConfig config;
    config.nodes = {0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07};
    config.jammed = {0x03};
    config.silent = {0x05};
    return config;
}

class AcceptanceDialogTest : public testing::Test {
  protected:
    void SetUp() override {
        m_sim = NodeSim::Start(EightNodeCabinet());
        ASSERT_TRUE(m_sim);
        m_dlg = std::make_unique<CVelkaroDlg>();
        ASSERT_TRUE(m_dlg->Create());
        ASSERT_EQ(m_dlg->m_cbPort.GetWindowText(), m_sim->PortName());
        ControlWidget<QLineEdit>(Main(), IDC_EDIT_MAX_ADDR)->setText("07");
    }

    void TearDown() override {
        m_dlg.reset();
        for (auto* flag :
             {&g_bReqGroupStatus, &g_bReqGroupUnlock, &g_bReqSingleUnlock, &g_bReqSingleStatus}) {
            *flag = 0;
        }
    }

    CVelkaroDlg& Main() { return *m_dlg; }
    CAcceptanceDlg& Dialog() { return *Main().AcceptanceDialog(); }
    void Press(CWnd& window, int id) { window.SendMessage(WM_COMMAND, static_cast<WPARAM>(id)); }
    QLineEdit* Field(int id) { return ControlWidget<QLineEdit>(Dialog(), id); }

    Lines Log() {
        Lines lines;
        for (int i = 0; i < Main().m_lbLog.GetCount(); ++i) {
            std::string line;
            Main().m_lbLog.GetText(i, line);
            lines.push_back(line);
        }
        return lines;
    }
    // Runs the event loop, which serves each of the worker's window operations as it comes.
    bool ServeUntil(const std::function<bool()>& done, int timeoutMs = kRunTimeoutMs) {
        return ServeEventLoopUntil(std::chrono::milliseconds(timeoutMs), done);
    }
    void OpenPort() {
        Press(Main(), IDC_BTN_OPEN_PORT);
        ASSERT_TRUE(ServeUntil([&] { return g_hComm != kInvalidSerialHandle && !Log().empty(); }));
    }
    void OpenDialog() {
        Main().SendMessage(WM_SYSCOMMAND, IDM_ACCEPTANCE);
        ASSERT_NE(Main().AcceptanceDialog(), nullptr);
        ASSERT_TRUE(Dialog().GetSafeHwnd()->isVisible());
    }
    void FillIn() {
        Field(IDC_EDIT_CABINET)->setText(kCabinet);
        Field(IDC_EDIT_OPERATOR)->setText(kOperator);
    }
    bool RunEnds() {
        return ServeUntil([&] { return !Dialog().Running(); });
    }
    std::string Cell(int row, int column) { return Dialog().m_lcResults.GetItemText(row, column); }

    ScopedPortRegistry ports;
    MessageBoxRecorder boxes;
    std::unique_ptr<NodeSim> m_sim;
    std::unique_ptr<CVelkaroDlg> m_dlg;
};

TEST_F(AcceptanceDialogTest, CtrlTOpensTheDialogWithItsControlsAndTheExpectedAddressesPrefilled) {
    Main().GetSafeHwnd()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Main().GetSafeHwnd()));
    QTest::keyClick(Main().GetSafeHwnd(), Qt::Key_T, Qt::ControlModifier);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Main().AcceptanceDialog() != nullptr; }));
    QWidget* window = Dialog().GetSafeHwnd();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->isVisible(); }));

    EXPECT_EQ(window->windowTitle(), "验收测试");
    EXPECT_EQ(Field(IDC_EDIT_EXPECT)->text(), "00-07");
    EXPECT_EQ(Field(IDC_EDIT_CLOSE_WAIT)->text(), "0");
    EXPECT_TRUE(ControlWidget<QRadioButton>(Dialog(), IDC_RADIO_MODE_EACH)->isChecked());
    EXPECT_FALSE(ControlWidget<QRadioButton>(Dialog(), IDC_RADIO_MODE_GROUP)->isChecked());
    EXPECT_EQ(ControlWidget<QRadioButton>(Dialog(), IDC_RADIO_MODE_GROUP)->text(), "群体开锁");
    EXPECT_NE(ControlWidget<QProgressBar>(Dialog(), IDC_PROGRESS_NODES), nullptr);
    EXPECT_TRUE(Dialog().m_btnStart.IsWindowEnabled());
    EXPECT_FALSE(Dialog().m_btnStop.IsWindowEnabled());
    EXPECT_FALSE(Dialog().m_btnSaveReport.IsWindowEnabled());
    EXPECT_EQ(Dialog().m_lcResults.GetItemCount(), 0);

    // A second opening brings back the same dialog.
    CAcceptanceDlg* first = Main().AcceptanceDialog();
    Press(Dialog(), IDCANCEL);
    EXPECT_FALSE(window->isVisible());
    Main().SendMessage(WM_SYSCOMMAND, IDM_ACCEPTANCE);
    EXPECT_EQ(Main().AcceptanceDialog(), first);
    EXPECT_TRUE(window->isVisible());
}

class AcceptancePromptTest : public AcceptanceDialogTest,
                             public testing::WithParamInterface<AcceptancePromptCase> {};

TEST_P(AcceptancePromptTest, ABadFieldShowsItsPromptThenSelectsItsTextAndStartsNothing) {
    OpenPort();
    OpenDialog();
    QLineEdit* field = Field(GetParam().field);
    field->setText(GetParam().text);
    Press(Dialog(), IDC_BTN_START);

    ASSERT_EQ(boxes.requests.size(), 1u);
    EXPECT_EQ(boxes.requests[0].text, GetParam().prompt);
    EXPECT_EQ(boxes.requests[0].caption, "Velkaro");
    EXPECT_TRUE(field->hasFocus() || Dialog().GetSafeHwnd()->focusWidget() == field);
    EXPECT_EQ(field->selectedText(), GetParam().text);
    EXPECT_FALSE(Dialog().Running());
    EXPECT_EQ(g_bReqAcceptance.load(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Fields, AcceptancePromptTest, testing::ValuesIn(kAcceptancePromptCases),
                         [](const testing::TestParamInfo<AcceptancePromptCase>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(AcceptanceDialogTest, WithoutAnOpenPortStartSaysSo) {
    OpenDialog();
    Press(Dialog(), IDC_BTN_START);
    ASSERT_EQ(boxes.requests.size(), 1u);
    EXPECT_EQ(boxes.requests[0].text, "串口尚未打开");
    EXPECT_FALSE(Dialog().Running());
}

TEST_F(AcceptanceDialogTest, EightNodesWithAJammedLockAndASilentNodeFailAsOnTheCommandLine) {
    OpenPort();
    OpenDialog();
    FillIn();
    std::vector<int> progressSeen;
    auto* bar = ControlWidget<QProgressBar>(Dialog(), IDC_PROGRESS_NODES);
    QObject::connect(bar, &QProgressBar::valueChanged, bar,
                     [&](int value) { progressSeen.push_back(value); });

    Press(Dialog(), IDC_BTN_START);
    ASSERT_TRUE(Dialog().Running());
    EXPECT_FALSE(Dialog().m_btnStart.IsWindowEnabled());
    EXPECT_TRUE(Dialog().m_btnStop.IsWindowEnabled());
    // The main window's operation buttons set no flag while the run goes.
    ASSERT_TRUE(ServeUntil([] { return g_bReqAcceptance != 0; }));
    Press(Main(), IDC_BTN_GROUP_STATUS);
    EXPECT_EQ(g_bReqGroupStatus.load(), 0u);
    ASSERT_TRUE(RunEnds());

    // Rows: one per node, the jammed and the silent node failed with their reasons.
    ASSERT_EQ(Dialog().m_lcResults.GetItemCount(), 8);
    const Lines good = {"有", "闭", "开", "--", "合格", ""};
    for (int row = 0; row < 8; ++row) {
        EXPECT_EQ(Cell(row, 0), (std::vector<std::string>{"00", "01", "02", "03", "04", "05", "06",
                                                          "07"}[static_cast<size_t>(row)]));
        Lines cells;
        for (int column = 1; column < 7; ++column) {
            cells.push_back(Cell(row, column));
        }
        if (row == 3) {
            EXPECT_EQ(cells, (Lines{"有", "闭", "闭", "--", "不合格", "开锁后锁仍为闭"}));
        } else if (row == 5) {
            EXPECT_EQ(cells, (Lines{"无", "--", "--", "--", "不合格", "扫描无应答"}));
        } else {
            EXPECT_EQ(cells, good) << "row " << row;
        }
    }
    // Progress: the scan, then each of the seven nodes that answered it, in turn.
    EXPECT_EQ(bar->maximum(), 7);
    EXPECT_EQ(bar->value(), 7);
    EXPECT_EQ(progressSeen, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7}));
    // The result, large and red, and the summary.
    auto* verdict = ControlWidget<QLabel>(Dialog(), IDC_STATIC_VERDICT);
    EXPECT_EQ(verdict->text(), "不合格");
    EXPECT_EQ(verdict->palette().color(QPalette::WindowText), QColor(204, 0, 0));
    EXPECT_GE(verdict->font().pointSize(), 20);
    EXPECT_EQ(Dialog().m_stSummary.GetWindowText(),
              "预期节点 8，合格 6，不合格 2，未验证 0，非预期节点 0");
    EXPECT_TRUE(Dialog().m_btnStart.IsWindowEnabled());
    EXPECT_FALSE(Dialog().m_btnStop.IsWindowEnabled());
    EXPECT_TRUE(boxes.requests.empty());

    // The three reports through the save dialog.
    const std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                      ("velkaro-acceptance-dlg-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    FileDialogRecorder answers;
    const std::string formats[] = {"html", "csv", "json"};
    for (const std::string& format : formats) {
        answers.answer = (dir / ("window." + format)).string();
        Press(Dialog(), IDC_BTN_SAVE_REPORT);
    }
    ASSERT_EQ(answers.requests.size(), 3u);
    EXPECT_EQ(answers.requests[0].defaultName, std::string(kCabinet) + ".html");
    EXPECT_EQ(answers.requests[0].extension, "html");
    ASSERT_EQ(answers.requests[0].moreTypes.size(), 2u);
    EXPECT_EQ(answers.requests[0].moreTypes[0].extension, "csv");
    EXPECT_EQ(answers.requests[0].moreTypes[1].extension, "json");
    EXPECT_TRUE(boxes.requests.empty());

    // The same bus from the command line.
    const Lines windowLog = Log();
    auto sim = NodeSim::Start(EightNodeCabinet());
    ASSERT_TRUE(sim);
    std::string command = std::string(VELKARO_CLI_PATH) + " --port " + sim->PortPath() +
                          " --max-addr 07 commission --expect 00-07 --cabinet 'A<b>&\"' --operator "
                          "'王工'";
    for (const std::string& format : formats) {
        command += " --report " + (dir / ("cli." + format)).string();
    }
    FILE* cli = ::popen(command.c_str(), "r");
    ASSERT_NE(cli, nullptr);
    std::string cliOutput;
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, cli)) > 0;) {
        cliOutput.append(buffer, n);
    }
    const int status = ::pclose(cli);
    EXPECT_EQ(WEXITSTATUS(status), 6);
    for (const std::string& format : formats) {
        const std::string window = ReadFile((dir / ("window." + format)).string());
        const std::string commandLine = ReadFile((dir / ("cli." + format)).string());
        ASSERT_FALSE(window.empty()) << format;
        EXPECT_EQ(NormalisedReport(window, m_sim->PortName(), "Velkaro"),
                  NormalisedReport(commandLine, sim->PortPath(), "velkaro-cli"))
            << format;
    }
    EXPECT_TRUE(expected_log::LogMatches(windowLog, EightNodeRunLog()));
    ExpectTheCommandLinesLog(windowLog, cliOutput);
    std::filesystem::remove_all(dir);
}

TEST_F(AcceptanceDialogTest, StopEndsTheRunAtItsNextTransactionMarkedIncomplete) {
    OpenPort();
    OpenDialog();
    Field(IDC_EDIT_EXPECT)->setText("00-07");
    Press(Dialog(), IDC_BTN_START);
    ASSERT_TRUE(ServeUntil([&] {
        return Dialog().m_lcResults.GetItemCount() == 8 &&
               ControlWidget<QProgressBar>(Dialog(), IDC_PROGRESS_NODES)->value() >= 1;
    }));
    const auto start = std::chrono::steady_clock::now();
    Press(Dialog(), IDC_BTN_STOP);
    ASSERT_TRUE(RunEnds());
    // One node's unlock and query at most: the energising time plus two exchanges.
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1500ms);

    ASSERT_TRUE(Dialog().Result().has_value());
    EXPECT_FALSE(Dialog().Result()->Complete());
    EXPECT_EQ(ControlWidget<QLabel>(Dialog(), IDC_STATIC_VERDICT)->text(), "不合格");
    EXPECT_TRUE(Dialog().m_stSummary.GetWindowText().starts_with("测试未完成（已停止）"));
    EXPECT_NE(g_hComm, kInvalidSerialHandle) << "the port stays open";
    EXPECT_EQ(g_bReqAcceptance.load(), 0u);
    // The bus is free again for the operation buttons.
    Press(Main(), IDC_BTN_GROUP_STATUS);
    EXPECT_TRUE(ServeUntil([&] { return Log().back() == "[--完毕：群体获取状态--]"; }));
}

TEST_F(AcceptanceDialogTest, ClosingTheMainWindowStopsTheRunAndClosesThePort) {
    OpenPort();
    OpenDialog();
    Press(Dialog(), IDC_BTN_START);
    ASSERT_TRUE(ServeUntil([&] { return Dialog().m_lcResults.GetItemCount() == 8; }));

    const auto start = std::chrono::steady_clock::now();
    m_dlg.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1500ms);
    EXPECT_EQ(g_hComm, kInvalidSerialHandle);
    EXPECT_FALSE(PortWorkerRunning());
    EXPECT_EQ(g_bReqAcceptance.load(), 0u);
    EXPECT_TRUE(boxes.requests.empty());
}

TEST_F(AcceptanceDialogTest, AHangUpEndsTheRunMarkedIncomplete) {
    OpenPort();
    OpenDialog();
    Press(Dialog(), IDC_BTN_START);
    ASSERT_TRUE(ServeUntil(
        [&] { return ControlWidget<QProgressBar>(Dialog(), IDC_PROGRESS_NODES)->value() >= 2; }));
    const auto start = std::chrono::steady_clock::now();
    m_sim->Stop();
    ASSERT_TRUE(RunEnds());
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1500ms);

    ASSERT_TRUE(Dialog().Result().has_value());
    EXPECT_EQ(Dialog().Result()->end, AcceptanceEnd::PortGone);
    EXPECT_TRUE(Dialog().m_stSummary.GetWindowText().starts_with("测试未完成（串口已断开）"));
    EXPECT_EQ(ControlWidget<QLabel>(Dialog(), IDC_STATIC_VERDICT)->text(), "不合格");

    // The port closed, as any port that goes away is, with its one box.
    ASSERT_TRUE(ServeUntil([] { return !PortWorkerRunning(); }));
    const Lines log = Log();
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(Lines(log.end() - 3, log.end()),
              (Lines{"[--验收测试未完成--]", "[串口已断开]", "[串口已关闭]"}));
    ASSERT_EQ(boxes.requests.size(), 1u);
    EXPECT_EQ(boxes.requests[0].text, "串口已断开");
    EXPECT_EQ(Main().m_btnOpen.GetWindowText(), "打开串口");
    EXPECT_EQ(g_hComm, kInvalidSerialHandle);
    EXPECT_EQ(g_bReqAcceptance.load(), 0u);
}

}  // namespace
