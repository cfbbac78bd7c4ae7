// The log's context menu in the window: copy, copy all, save with times, clear, and the bus
// trace, against simulated nodes on a pseudo-terminal.
#include <QApplication>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "console/VelkaroDlg.h"
#include "console/console_test_support.h"
#include "console/dialog/clipboard.h"
#include "console/dialog/menu.h"
#include "console/file_dialog_recorder.h"
#include "console/testing/event_loop.h"
#include "nodesim/node_sim.h"
#include "record/bus_trace.h"
#include "record/local_conventions.h"
#include "serial/serial.h"

namespace {

using Lines = std::vector<std::string>;

constexpr int kTransactionTimeoutMs = 20'000;

class LogRecordTest : public testing::Test {
  protected:
    void SetUp() override {
        NodeSimConfig config;
        config.nodes = {0x00, 0x01, 0x02};
        m_sim = NodeSim::Start(config);
        ASSERT_TRUE(m_sim);
        m_dlg = std::make_unique<CVelkaroDlg>();
        ASSERT_TRUE(m_dlg->Create());
        m_dir = std::filesystem::temp_directory_path() /
                ("velkaro-window-record-" + std::to_string(QCoreApplication::applicationPid()));
        std::filesystem::create_directories(m_dir);
    }

    void TearDown() override {
        m_dlg.reset();  // stops the worker, closes the port and ends a trace
        std::filesystem::remove_all(m_dir);
    }

    CVelkaroDlg& Dlg() { return *m_dlg; }
    void Command(int id) { Dlg().SendMessage(WM_COMMAND, static_cast<WPARAM>(id)); }
    QWidget* LogList() { return Dlg().m_lbLog.GetSafeHwnd(); }

    Lines Log() { return ListBoxLines(Dlg().m_lbLog); }
    // Runs the event loop, so that the worker's lines are shown as they come, until `line` is.
    bool ServeUntilLine(const std::string& line) {
        return ServeEventLoopUntil(std::chrono::milliseconds(kTransactionTimeoutMs), [&] {
            const Lines log = Log();
            return std::find(log.begin(), log.end(), line) != log.end();
        });
    }
    void OpenPort() {
        Command(IDC_BTN_OPEN_PORT);
        ASSERT_TRUE(ServeUntilLine("[串口已打开]"));
    }

    ScopedPortRegistry ports;
    MessageBoxRecorder boxes;
    FileDialogRecorder files;
    std::unique_ptr<NodeSim> m_sim;
    std::unique_ptr<CVelkaroDlg> m_dlg;
    std::filesystem::path m_dir;
};

}  // namespace

TEST_F(LogRecordTest, TheLogListsContextMenuOffersTheRecordsItemsAndRunsTheChosenOne) {
    Dlg().AppendLog("一");
    Dlg().AppendLog("二");
    QStringList texts;
    QTimer::singleShot(50, [&texts] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        for (const QAction* action : menu->actions()) {
            texts.push_back(action->text());
        }
        QTest::keyClick(menu, Qt::Key_A);  // 全部复制(&A)
    });
    const QPoint where = LogList()->rect().center();
    QContextMenuEvent gesture(QContextMenuEvent::Mouse,
                              LogList()->mapTo(Dlg().GetSafeHwnd(), where),
                              LogList()->mapToGlobal(where));
    QApplication::sendEvent(Dlg().GetSafeHwnd(), &gesture);
    EXPECT_EQ(texts, (QStringList{"复制(&C)", "全部复制(&A)", "", "保存日志(&S)...", "清空日志(&L)",
                                  "", "开始记录通讯(&R)..."}));
    const std::string end = kTextLineEnd;
    EXPECT_EQ(GetClipboardText(), "一" + end + "二" + end);
}

TEST_F(LogRecordTest, CopyPutsTheSelectedLineOnTheClipboardFromTheMenuAndWithCtrlC) {
    for (const char* line : {"a", "b", "c"}) {
        Dlg().AppendLog(line);
    }
    Dlg().m_lbLog.SetCurSel(1);
    Command(IDM_LOG_COPY);
    EXPECT_EQ(GetClipboardText(), "b");

    Dlg().m_lbLog.SetCurSel(0);
    Dlg().GetSafeHwnd()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Dlg().GetSafeHwnd()));
    LogList()->setFocus();
    QTest::keyClick(LogList(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(GetClipboardText(), "a");
}

TEST_F(LogRecordTest, SaveOffersADatedNameAndWritesEveryLineWithItsTimeAlsoWhileAPollRuns) {
    files.answer = (m_dir / "saved.log").string();
    OpenPort();
    // Max address fe: the poll waits out its whole deadline of 1475 ms.
    Command(IDC_BTN_GROUP_STATUS);
    ASSERT_TRUE(ServeUntilLine("header=5A,addr=02,cmd=00,rsp_param[0]=00"));
    Command(IDM_LOG_SAVE);  // while the poll still runs
    ASSERT_EQ(files.requests.size(), 1u);
    EXPECT_TRUE(
        std::regex_match(files.requests[0].defaultName, std::regex(R"(velkaro-\d{8}-\d{6}\.log)")))
        << files.requests[0].defaultName;

    const Lines shown = Log();
    const Lines saved = SplitLines(ReadFile(*files.answer));
    ASSERT_EQ(saved.size(), shown.size());
    const std::regex timed(R"((\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3})\t(.*?)\r?)");
    std::string previous;
    for (std::size_t i = 0; i < saved.size(); ++i) {
        std::smatch parts;
        ASSERT_TRUE(std::regex_match(saved[i], parts, timed)) << saved[i];
        EXPECT_EQ(parts[2], shown[i]);
        EXPECT_GE(parts[1].str(), previous);
        previous = parts[1];
    }
    EXPECT_TRUE(ServeUntilLine("[--完毕：群体获取状态--]"));

    // Ctrl+S saves too.
    *files.answer = (m_dir / "again.log").string();
    QTest::keyClick(Dlg().GetSafeHwnd(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(files.requests.size(), 2u);
    EXPECT_EQ(SplitLines(ReadFile(*files.answer)).size(), Log().size());
}

TEST_F(LogRecordTest, ALongLogIsSavedInPartsWhileTheWindowGoesOn) {
    constexpr int kLines = 45'000;
    for (int i = 0; i < kLines; ++i) {
        Dlg().AppendLog("line " + std::to_string(i));
    }
    files.answer = (m_dir / "long.log").string();
    Command(IDM_LOG_SAVE);
    EXPECT_TRUE(Dlg().LogSaveRunning()) << "the rest is written on later turns";
    Dlg().AppendLog("after the save began");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Dlg().LogSaveRunning(); }, 20'000));
    const Lines saved = SplitLines(ReadFile(*files.answer));
    ASSERT_EQ(saved.size(), static_cast<std::size_t>(kLines));
    EXPECT_TRUE(saved.back().ends_with("\tline 44999")) << saved.back();

    // A clear while a save runs completes the save first.
    files.answer = (m_dir / "cleared.log").string();
    Command(IDM_LOG_SAVE);
    Command(IDM_LOG_CLEAR);
    EXPECT_FALSE(Dlg().LogSaveRunning());
    EXPECT_EQ(SplitLines(ReadFile(*files.answer)).size(), static_cast<std::size_t>(kLines + 1));
}

TEST_F(LogRecordTest, ClearEmptiesTheListAndASaveAfterItWritesNothing) {
    Dlg().AppendLog("x");
    Command(IDM_LOG_CLEAR);
    EXPECT_EQ(Dlg().m_lbLog.GetCount(), 0);
    files.answer = (m_dir / "empty.log").string();
    Command(IDM_LOG_SAVE);
    EXPECT_EQ(ReadFile(*files.answer), "");
    Dlg().AppendLog("y");
    EXPECT_EQ(Dlg().LogLineAt(0).text, "y");
}

TEST_F(LogRecordTest, TheTraceItemStartsAndStopsATraceOfTheBus) {
    files.answer = (m_dir / "bus.pcapng").string();
    Command(IDM_TRACE);
    ASSERT_TRUE(BusTraceRunning());
    EXPECT_TRUE(std::regex_match(files.requests.at(0).defaultName,
                                 std::regex(R"(velkaro-\d{8}-\d{6}\.pcapng)")));
    CMenu menu(&Dlg(), MenuKind::Popup);
    Dlg().FillLogMenu(menu);
    EXPECT_EQ(menu.GetMenuString(menu.GetMenuItemCount() - 1), "停止记录通讯(&R)");

    OpenPort();
    ControlWidget<QLineEdit>(Dlg(), IDC_EDIT_MAX_ADDR)->setText("02");
    Command(IDC_BTN_GROUP_STATUS);
    ASSERT_TRUE(ServeUntilLine("[--完毕：群体获取状态--]"));
    Command(IDM_TRACE);
    EXPECT_FALSE(BusTraceRunning());
    EXPECT_TRUE(boxes.requests.empty());

    const std::string trace = ReadFile(*files.answer);
    EXPECT_EQ(trace.substr(0, 4), std::string("\x0A\x0D\x0D\x0A", 4));
    EXPECT_NE(trace.find(m_sim->PortName()), std::string::npos) << "the interface's name";
    EXPECT_NE(trace.find(std::string("\xA5\xFF\x00\x00\x00\x00\xA4", 7)), std::string::npos);
    EXPECT_NE(trace.find(std::string("\x5A\x02\x00\x00\x5C", 5)), std::string::npos);
}

TEST_F(LogRecordTest, ACancelledDialogSavesNothingAndStartsNoTrace) {
    Command(IDM_LOG_SAVE);
    Command(IDM_TRACE);
    EXPECT_EQ(files.requests.size(), 2u);
    EXPECT_FALSE(BusTraceRunning());
    EXPECT_TRUE(std::filesystem::is_empty(m_dir));
}
