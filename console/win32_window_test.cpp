// The main window as Windows' dialog manager builds it, driven with the window system's own
// messages under wine.
#include <string>

#include "console/VelkaroDlg.h"
#include "console/dialog/win_app.h"
#include "console/message_box_recorder.h"
#include "console/win32_test_support.h"

namespace {

class Win32WindowTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dlg.Create());
        AfxGetApp()->m_pMainWnd = &dlg;
    }
    void TearDown() override { AfxGetApp()->m_pMainWnd = nullptr; }

    HWND Window() const { return dlg.GetSafeHwnd(); }
    HWND Item(int id) const { return ::GetDlgItem(Window(), id); }
    void Press(int id) { Click(Item(id)); }

    CVelkaroDlg dlg;
    MessageBoxRecorder boxes;
};

// The values, texts and focus it opens with, and where the controls sit, are the shared cases.
TEST_F(Win32WindowTest, BuildsItsControlsFromTheStandardClasses) {
    EXPECT_EQ(ClassOf(Item(IDC_LIST_LOG)), "ListBox");
    EXPECT_EQ(ClassOf(Item(IDC_LIST_NODES)), "SysListView32");
    EXPECT_EQ(ClassOf(Item(IDC_COMBO_PORT)), "ComboBox");

    HWND nodes = Item(IDC_LIST_NODES);
    EXPECT_EQ(::SendMessageW(nodes, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0), 0x38);
    EXPECT_TRUE(::GetWindowLongW(nodes, GWL_STYLE) & LVS_SHOWSELALWAYS);
    EXPECT_TRUE(::GetWindowLongW(nodes, GWL_STYLE) & LVS_REPORT);

    HWND ports = Item(IDC_COMBO_PORT);
    const auto count = ::SendMessageW(ports, CB_GETCOUNT, 0, 0);
    EXPECT_EQ(::SendMessageW(ports, CB_GETCURSEL, 0, 0), count > 0 ? 0 : CB_ERR);
}

TEST_F(Win32WindowTest, RealMessageBoxIsOwnedByTheWindowAndCaptionedWithTheAppName) {
    SetMessageBoxPresenter(nullptr);  // Windows' own box; the recorder restores itself
    auto box = AnswerNextBox(Window());
    Press(IDC_BTN_GROUP_STATUS);
    const SeenBox seen = box.get();
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.caption, AfxGetAppName());
    EXPECT_EQ(seen.text, "串口尚未打开");
    EXPECT_TRUE(seen.ownerDisabled);
    EXPECT_TRUE(::IsWindowEnabled(Window()));
}

TEST_F(Win32WindowTest, MinimisedWindowPaintsWithoutTrouble) {
    ::ShowWindow(Window(), SW_MINIMIZE);
    ASSERT_TRUE(::IsIconic(Window()));
    ::RedrawWindow(Window(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    ::ShowWindow(Window(), SW_RESTORE);
    EXPECT_FALSE(::IsIconic(Window()));
}

TEST_F(Win32WindowTest, AppendingToTheVisibleLogStaysCheap) {
    constexpr int kLines = 500;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kLines; ++i) {
        dlg.AppendLog("line " + std::to_string(i));
    }
    const double perLineMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
            .count() /
        kLines;
    RecordProperty("per_line_us", static_cast<int>(perLineMs * 1000));
    std::printf("appending to the visible log: %.3f ms a line\n", perLineMs);
    // A repaint per line costs about 10 ms here; with the repaint held, about 1 ms (the list
    // box still scrolls the new line into view), more on a busy machine.
    EXPECT_LT(perLineMs, 6.0);
    const Lines lines = ListBoxLines(Item(IDC_LIST_LOG));
    ASSERT_EQ(lines.size(), static_cast<size_t>(kLines));
    EXPECT_EQ(lines.back(), "line 499");
    EXPECT_EQ(::SendMessageW(Item(IDC_LIST_LOG), LB_GETCURSEL, 0, 0), kLines - 1);
}

}  // namespace
