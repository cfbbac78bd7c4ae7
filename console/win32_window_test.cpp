// The main window as Windows' dialog manager builds it, driven with the window system's own
// messages under wine.
#include <filesystem>
#include <string>

#include "console/VelkaroDlg.h"
#include "console/dialog/clipboard.h"
#include "console/dialog/menu.h"
#include "console/dialog/win_app.h"
#include "console/file_dialog_recorder.h"
#include "console/message_box_recorder.h"
#include "console/win32_test_support.h"
#include "record/bus_trace.h"

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

TEST_F(Win32WindowTest, LogMenuCopiesClearsAndStartsAndStopsTheTrace) {
    for (const char* line : {"a", "第二行", "c"}) {
        dlg.AppendLog(line);
    }
    const auto command = [this](int id) {
        ::SendMessageW(Window(), WM_COMMAND, MAKEWPARAM(id, 0), 0);
    };
    ::SendMessageW(Item(IDC_LIST_LOG), LB_SETCURSEL, 1, 0);
    command(IDM_LOG_COPY);
    EXPECT_EQ(GetClipboardText(), "第二行");
    command(IDM_LOG_COPY_ALL);
    EXPECT_EQ(GetClipboardText(), "a\r\n第二行\r\nc\r\n");

    CMenu menu(&dlg, MenuKind::Popup);
    dlg.FillLogMenu(menu);
    std::vector<std::string> items;
    for (int i = 0; i < menu.GetMenuItemCount(); ++i) {
        items.push_back(menu.GetMenuString(i));
    }
    EXPECT_EQ(items, (std::vector<std::string>{"复制(&C)", "全部复制(&A)", "", "保存日志(&S)...",
                                               "清空日志(&L)", "", "开始记录通讯(&R)..."}));

    FileDialogRecorder files;
    files.answer = (std::filesystem::temp_directory_path() / "velkaro-window.pcapng").string();
    command(IDM_TRACE);
    EXPECT_TRUE(BusTraceRunning());
    command(IDM_TRACE);
    EXPECT_FALSE(BusTraceRunning());
    EXPECT_EQ(files.requests.size(), 1u) << "stopping asks nothing";
    EXPECT_TRUE(std::filesystem::exists(*files.answer));
    std::filesystem::remove(*files.answer);

    command(IDM_LOG_CLEAR);
    EXPECT_EQ(::SendMessageW(Item(IDC_LIST_LOG), LB_GETCOUNT, 0, 0), 0);
    EXPECT_TRUE(boxes.requests.empty());
}

}  // namespace
