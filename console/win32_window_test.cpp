// The main window as Windows' dialog manager builds it, driven with the window system's own
// messages under wine.
#include <algorithm>
#include <filesystem>
#include <ostream>
#include <string>

#include "console/VelkaroDlg.h"
#include "console/dialog/clipboard.h"
#include "console/dialog/menu.h"
#include "console/dialog/win_app.h"
#include "console/file_dialog_recorder.h"
#include "console/message_box_recorder.h"
#include "console/win32_test_support.h"
#include "record/bus_trace.h"
#include "res/dialog_templates.h"

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

TEST_F(Win32WindowTest, OpensWithTheDefaultsInStandardControls) {
    EXPECT_EQ(TextOf(Window()), "Velkaro");
    EXPECT_EQ(ClassOf(Item(IDC_LIST_LOG)), "ListBox");
    EXPECT_EQ(ClassOf(Item(IDC_LIST_NODES)), "SysListView32");
    EXPECT_EQ(ClassOf(Item(IDC_COMBO_PORT)), "ComboBox");
    EXPECT_EQ(::SendMessageW(Item(IDC_LIST_LOG), LB_GETCOUNT, 0, 0), 0);

    HWND nodes = Item(IDC_LIST_NODES);
    ASSERT_EQ(::SendMessageW(nodes, LVM_GETITEMCOUNT, 0, 0), 255);
    for (int row : {0x00, 0x0A, 0x7F, 0xFE}) {
        char address[3];
        std::snprintf(address, sizeof address, "%02X", row);
        EXPECT_EQ(ListViewCell(nodes, row, 0), address);
        EXPECT_EQ(ListViewCell(nodes, row, 1), "--");
    }
    EXPECT_EQ(::SendMessageW(nodes, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0), 0x38);
    EXPECT_TRUE(::GetWindowLongW(nodes, GWL_STYLE) & LVS_SHOWSELALWAYS);
    EXPECT_TRUE(::GetWindowLongW(nodes, GWL_STYLE) & LVS_REPORT);

    EXPECT_EQ(::SendMessageW(Item(IDC_RADIO_LOCKED_CLOSED), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(::SendMessageW(Item(IDC_RADIO_LOCKED_OPEN), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(::SendMessageW(Item(IDC_CHECK_FEEDBACK), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(TextOf(Item(IDC_EDIT_MAX_ON_TIME)), "500");
    EXPECT_EQ(TextOf(Item(IDC_EDIT_INTERVAL)), "50");
    EXPECT_EQ(TextOf(Item(IDC_EDIT_MAX_ADDR)), "fe");
    EXPECT_EQ(TextOf(Item(IDC_BTN_OPEN_PORT)), "打开串口");
    EXPECT_EQ(::GetFocus(), Item(IDC_LIST_LOG)) << "the first control in tab order";

    HWND ports = Item(IDC_COMBO_PORT);
    const auto count = ::SendMessageW(ports, CB_GETCOUNT, 0, 0);
    EXPECT_EQ(::SendMessageW(ports, CB_GETCURSEL, 0, 0), count > 0 ? 0 : CB_ERR);
}

TEST_F(Win32WindowTest, ControlsSitWhereTheTemplateSaysInDialogUnits) {
    const res::DialogTemplate& tpl = *res::FindDialogTemplate(IDD_VELKARO_DIALOG);
    RECT client{0, 0, tpl.cx, tpl.cy};
    ::MapDialogRect(Window(), &client);
    RECT actual{};
    ::GetClientRect(Window(), &actual);
    EXPECT_EQ(actual.right, client.right);
    EXPECT_EQ(actual.bottom, client.bottom);
    for (const res::ControlTemplate& control : tpl.controls) {
        if (control.id == IDC_STATIC || control.kind == res::ControlKind::ComboBox) {
            continue;  // a combo box's own height is the edit line's, not the template's
        }
        // The dialog manager converts the position and the size each on their own.
        RECT expected{control.rect.x, control.rect.y, control.rect.cx, control.rect.cy};
        ::MapDialogRect(Window(), &expected);
        expected.right += expected.left;
        expected.bottom += expected.top;
        RECT placed{};
        ::GetWindowRect(Item(control.id), &placed);
        ::MapWindowPoints(nullptr, Window(), reinterpret_cast<POINT*>(&placed), 2);
        EXPECT_EQ(placed.left, expected.left) << control.id;
        EXPECT_EQ(placed.top, expected.top) << control.id;
        EXPECT_EQ(placed.right, expected.right) << control.id;
        EXPECT_EQ(placed.bottom, expected.bottom) << control.id;
    }
}

struct FieldCase {
    int id;
    const char* text;
    const char* prompt;  // nullptr: none
};

void PrintTo(const FieldCase& c, std::ostream* os) {
    *os << c.id << " \"" << c.text << '"';
}

class Win32ValidationTest : public Win32WindowTest,
                            public testing::WithParamInterface<FieldCase> {};

TEST_P(Win32ValidationTest, APromptPutsTheFocusOnTheFieldWithItsTextSelected) {
    const FieldCase& c = GetParam();
    SetText(Item(c.id), c.text);
    EXPECT_EQ(dlg.UpdateData(TRUE), c.prompt == nullptr ? TRUE : FALSE);
    if (c.prompt == nullptr) {
        EXPECT_TRUE(boxes.requests.empty());
        return;
    }
    ASSERT_EQ(boxes.Texts(), std::vector<std::string>{c.prompt});
    EXPECT_EQ(boxes.requests[0].caption, AfxGetAppName());
    EXPECT_EQ(boxes.requests[0].nType, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
    EXPECT_EQ(::GetFocus(), Item(c.id));
    DWORD start = 1;
    DWORD end = 0;
    ::SendMessageW(Item(c.id), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                   reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 0u);
    EXPECT_EQ(end, Wide(c.text).size());
}

INSTANTIATE_TEST_SUITE_P(
    Fields, Win32ValidationTest,
    testing::Values(FieldCase{IDC_EDIT_MAX_ON_TIME, "abc", "请输入一个整数。"},
                    FieldCase{IDC_EDIT_MAX_ON_TIME, "3000", "请输入一个 0 至 2540 之间的整数。"},
                    FieldCase{IDC_EDIT_MAX_ON_TIME, "2540", nullptr},
                    FieldCase{IDC_EDIT_INTERVAL, "256", "请输入一个 0 至 255 之间的整数。"},
                    FieldCase{IDC_EDIT_INTERVAL, "12ab", nullptr}));

// The About box, as the system command with the About id (and any low four bits) opens it.
TEST_F(Win32WindowTest, AboutCommandsOpenTheAboutBoxOverTheWindow) {
    for (WPARAM command : {WPARAM{IDM_ABOUTBOX}, WPARAM{0x0011}, WPARAM{0x001F}}) {
        bool iconShown = false;
        auto box = AnswerNextBox(Window(), IDOK, [&iconShown](HWND about) {
            HWND icon = ::GetWindow(about, GW_CHILD);
            iconShown = ::SendMessageW(icon, STM_GETICON, 0, 0) != 0;
        });
        ::SendMessageW(Window(), WM_SYSCOMMAND, command, 0);
        const SeenBox seen = box.get();
        ASSERT_TRUE(seen.found) << command;
        EXPECT_EQ(seen.caption, "关于 Velkaro");
        ASSERT_EQ(seen.controlTexts.size(), 3u);  // the icon, the label, the button
        EXPECT_EQ(seen.controlTexts[1], "Velkaro，1.0 版");
        EXPECT_EQ(seen.controlTexts[2], "确定");
        EXPECT_TRUE(seen.ownerDisabled);
        EXPECT_TRUE(iconShown);
    }
    EXPECT_TRUE(::IsWindowEnabled(Window()));
}

TEST_F(Win32WindowTest, HelpShowsTheAboutBox) {
    auto box = AnswerNextBox(Window());
    HELPINFO help{};
    help.cbSize = sizeof help;
    ::SendMessageW(Window(), WM_HELP, 0, reinterpret_cast<LPARAM>(&help));
    EXPECT_EQ(box.get().caption, "关于 Velkaro");
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

TEST_F(Win32WindowTest, DragIconIsTheWindowIcon) {
    const auto icon = ::SendMessageW(Window(), WM_QUERYDRAGICON, 0, 0);
    EXPECT_NE(icon, 0);
    EXPECT_EQ(icon, ::SendMessageW(Window(), WM_GETICON, ICON_BIG, 0));
    EXPECT_EQ(icon, ::SendMessageW(Window(), WM_GETICON, ICON_SMALL, 0));
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

// A top-level window of this process (other test programs may have theirs open).
HWND OwnWindowTitled(const std::string& title) {
    struct Search {
        std::string title;
        HWND found = nullptr;
    } search{title};
    ::EnumWindows(
        [](HWND hWnd, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            DWORD process = 0;
            ::GetWindowThreadProcessId(hWnd, &process);
            if (process == ::GetCurrentProcessId() && TextOf(hWnd) == s->title) {
                s->found = hWnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Enter and Escape in the modal window, pressed from another thread as the operator would.
std::future<void> PressKeyInWindow(WPARAM key, const char* maxOnTime) {
    return std::async(std::launch::async, [key, maxOnTime] {
        // The window exists before its controls; it shows once they are all there.
        HWND window = nullptr;
        for (int i = 0; i < 1000 && !(window != nullptr && ::IsWindowVisible(window)); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            window = OwnWindowTitled("Velkaro");
        }
        HWND field = ::GetDlgItem(window, IDC_EDIT_MAX_ON_TIME);
        SetText(field, maxOnTime);
        ::PostMessageW(field, WM_KEYDOWN, key, 0);
        ::PostMessageW(field, WM_KEYUP, key, 0);
    });
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

TEST(Win32ModalWindowTest, EnterClosesOnlyWhenEveryValueIsValidAndEscapeAlways) {
    MessageBoxRecorder boxes;
    {
        CVelkaroDlg dlg;
        auto keys = PressKeyInWindow(VK_RETURN, "2540");
        EXPECT_EQ(dlg.DoModal(), IDOK);
        EXPECT_EQ(dlg.m_nMaxOnTime, 2540);
    }
    {
        CVelkaroDlg dlg;
        // Enter with a value out of range shows the prompt and keeps the window; Escape closes.
        boxes.onPresent = [](const MessageBoxRequest& request) {
            HWND window = ::GetAncestor(request.pOwner->GetSafeHwnd(), GA_ROOT);
            ::PostMessageW(::GetDlgItem(window, IDC_EDIT_MAX_ON_TIME), WM_KEYDOWN, VK_ESCAPE, 0);
        };
        auto keys = PressKeyInWindow(VK_RETURN, "3000");
        EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    }
    ASSERT_EQ(boxes.requests.size(), 1u);
    EXPECT_EQ(boxes.requests[0].text, "请输入一个 0 至 2540 之间的整数。");
}

}  // namespace
