// What only the Qt window does with its log: the context menu's gesture, Ctrl+C and Ctrl+S, and
// a long log saved in parts. The menu's items themselves are shared cases
// (log_record_cases_test.cpp).
#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <filesystem>

#include "console/VelkaroDlg.h"
#include "console/console_test_support.h"
#include "console/dialog/clipboard.h"
#include "console/file_dialog_recorder.h"
#include "record/local_conventions.h"

namespace {

using Lines = std::vector<std::string>;

class LogRecordTest : public testing::Test {
  protected:
    void SetUp() override {
        m_dlg = std::make_unique<CVelkaroDlg>();
        ASSERT_TRUE(m_dlg->Create());
        m_dir = std::filesystem::temp_directory_path() /
                ("velkaro-window-record-" + std::to_string(QCoreApplication::applicationPid()));
        std::filesystem::create_directories(m_dir);
    }

    void TearDown() override {
        m_dlg.reset();
        std::filesystem::remove_all(m_dir);
    }

    CVelkaroDlg& Dlg() { return *m_dlg; }
    void Command(int id) { Dlg().SendMessage(WM_COMMAND, static_cast<WPARAM>(id)); }
    QWidget* LogList() { return Dlg().m_lbLog.GetSafeHwnd(); }
    Lines Log() { return ListBoxLines(Dlg().m_lbLog); }

    ScopedPortRegistry ports;
    MessageBoxRecorder boxes;
    FileDialogRecorder files;
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

TEST_F(LogRecordTest, CtrlCCopiesTheSelectedLineAndCtrlSSavesTheLog) {
    for (const char* line : {"a", "b", "c"}) {
        Dlg().AppendLog(line);
    }
    Dlg().m_lbLog.SetCurSel(0);
    Dlg().GetSafeHwnd()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Dlg().GetSafeHwnd()));
    LogList()->setFocus();
    QTest::keyClick(LogList(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(GetClipboardText(), "a");

    files.answer = (m_dir / "again.log").string();
    QTest::keyClick(Dlg().GetSafeHwnd(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(files.requests.size(), 1u);
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
