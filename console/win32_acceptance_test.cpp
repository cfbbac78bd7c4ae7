// The acceptance dialog as Windows builds it, under wine, against the Linux node simulator on
// a COM port mapped to its pseudo-terminal: eight nodes, the lock of 03 jammed, node 05 silent
// (the port's name in VELKARO_ACCEPTANCE_TEST_PORT).
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "console/VelkaroDlg.h"
#include "console/dialog/win_app.h"
#include "console/file_dialog_recorder.h"
#include "console/message_box_recorder.h"
#include "console/win32_test_support.h"
#include "serial/serial.h"

namespace {

constexpr int kRunTimeoutMs = 30'000;

class Win32AcceptanceTest : public testing::Test {
  protected:
    void SetUp() override {
        const char* port = std::getenv("VELKARO_ACCEPTANCE_TEST_PORT");
        ASSERT_NE(port, nullptr) << "scripts/wine-tests.sh maps the simulator's port";
        ASSERT_TRUE(dlg.Create());
        AfxGetApp()->m_pMainWnd = &dlg;
        HWND ports = Item(IDC_COMBO_PORT);
        const auto index = ::SendMessageW(ports, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                          reinterpret_cast<LPARAM>(Wide(port).c_str()));
        ASSERT_NE(index, CB_ERR) << port << " is not in the port list";
        ::SendMessageW(ports, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        SetText(Item(IDC_EDIT_MAX_ADDR), "07");
    }
    void TearDown() override { AfxGetApp()->m_pMainWnd = nullptr; }

    HWND Item(int id) const { return ::GetDlgItem(dlg.GetSafeHwnd(), id); }
    HWND DialogItem(int id) const {
        return ::GetDlgItem(dlg.AcceptanceDialog()->GetSafeHwnd(), id);
    }
    std::string Cell(int row, int column) const {
        return ListViewCell(DialogItem(IDC_LIST_RESULTS), row, column);
    }
    void OpenPort() {
        Click(Item(IDC_BTN_OPEN_PORT));
        ASSERT_TRUE(PumpUntil(
            [&] {
                const Lines log = ListBoxLines(Item(IDC_LIST_LOG));
                return !log.empty() && log.back() == "[串口已打开]";
            },
            kRunTimeoutMs));
    }
    // Ctrl+T as a dialog's message loop hands it on: through the message filter.
    void PressCtrlT() {
        BYTE keys[256];
        ::GetKeyboardState(keys);
        const BYTE control = keys[VK_CONTROL];
        keys[VK_CONTROL] = 0x80;
        ::SetKeyboardState(keys);
        MSG msg{dlg.GetSafeHwnd(), WM_KEYDOWN, 'T', 0, 0, {}};
        ::CallMsgFilterW(&msg, MSGF_DIALOGBOX);
        keys[VK_CONTROL] = control;
        ::SetKeyboardState(keys);
    }
    bool RunEnds() {
        return PumpUntil([&] { return !dlg.AcceptanceDialog()->Running(); }, kRunTimeoutMs);
    }

    MessageBoxRecorder boxes;
    CVelkaroDlg dlg;
};

TEST_F(Win32AcceptanceTest, CtrlTOpensARealDialogFromTheTemplate) {
    PressCtrlT();
    ASSERT_NE(dlg.AcceptanceDialog(), nullptr);
    HWND window = dlg.AcceptanceDialog()->GetSafeHwnd();
    ASSERT_TRUE(::IsWindowVisible(window));
    EXPECT_EQ(ClassOf(window), "#32770");
    EXPECT_EQ(::GetWindow(window, GW_OWNER), dlg.GetSafeHwnd());
    EXPECT_EQ(TextOf(window), "验收测试");
    EXPECT_EQ(ClassOf(DialogItem(IDC_PROGRESS_NODES)), "msctls_progress32");
    EXPECT_EQ(ClassOf(DialogItem(IDC_LIST_RESULTS)), "SysListView32");
    EXPECT_EQ(TextOf(DialogItem(IDC_EDIT_EXPECT)), "00-07");
    EXPECT_EQ(::SendMessageW(DialogItem(IDC_RADIO_MODE_EACH), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(TextOf(DialogItem(IDC_RADIO_MODE_GROUP)), "群体开锁");
    EXPECT_EQ(TextOf(DialogItem(IDC_BTN_SAVE_REPORT)), "保存报告...");
    EXPECT_FALSE(::IsWindowEnabled(DialogItem(IDC_BTN_STOP)));

    Click(DialogItem(IDCANCEL));
    EXPECT_FALSE(::IsWindowVisible(window));
    ::SendMessageW(dlg.GetSafeHwnd(), WM_SYSCOMMAND, IDM_ACCEPTANCE, 0);
    EXPECT_TRUE(::IsWindowVisible(window));
}

TEST_F(Win32AcceptanceTest, PromptsThenFocusOnTheFieldWithItsTextSelected) {
    ::SendMessageW(dlg.GetSafeHwnd(), WM_SYSCOMMAND, IDM_ACCEPTANCE, 0);
    ASSERT_NE(dlg.AcceptanceDialog(), nullptr);
    struct Case {
        int field;
        const char* text;
        const char* prompt;
    };
    const Case cases[] = {
        {IDC_EDIT_EXPECT, "00-zz", "请输入验收地址，HEX格式不带0x，如 00-1f 或 00-07,10,12-14。"},
        {IDC_EDIT_CLOSE_WAIT, "3601", "请输入一个 0 至 3600 之间的整数。"},
    };
    for (const Case& c : cases) {
        boxes.requests.clear();
        SetText(DialogItem(c.field), c.text);
        Click(DialogItem(IDC_BTN_START));
        ASSERT_EQ(boxes.requests.size(), 1u) << c.text;
        EXPECT_EQ(boxes.requests[0].text, c.prompt);
        EXPECT_EQ(::GetFocus(), DialogItem(c.field));
        DWORD start = 0;
        DWORD end = 0;
        ::SendMessageW(DialogItem(c.field), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                       reinterpret_cast<LPARAM>(&end));
        EXPECT_EQ(start, 0u);
        EXPECT_EQ(end, std::string_view(c.text).size());
        SetText(DialogItem(c.field), c.field == IDC_EDIT_EXPECT ? "00-07" : "0");
    }
    // Valid fields, but no port open.
    boxes.requests.clear();
    Click(DialogItem(IDC_BTN_START));
    ASSERT_EQ(boxes.requests.size(), 1u);
    EXPECT_EQ(boxes.requests[0].text, "串口尚未打开");
    EXPECT_FALSE(dlg.AcceptanceDialog()->Running());
}

// One test holds the port: the tests run in parallel, each in a process of its own.
TEST_F(Win32AcceptanceTest, EightNodesWithAJammedLockAndASilentNodeFailAndAStopEndsARun) {
    OpenPort();
    ::SendMessageW(dlg.GetSafeHwnd(), WM_SYSCOMMAND, IDM_ACCEPTANCE, 0);
    SetText(DialogItem(IDC_EDIT_CABINET), "A-017 <b>&\"");
    SetText(DialogItem(IDC_EDIT_OPERATOR), "张三");
    Click(DialogItem(IDC_BTN_START));
    ASSERT_TRUE(dlg.AcceptanceDialog()->Running());
    Click(Item(IDC_BTN_GROUP_STATUS));
    EXPECT_EQ(g_bReqGroupStatus.load(), 0u) << "no flag while the run goes";
    ASSERT_TRUE(RunEnds());

    HWND list = DialogItem(IDC_LIST_RESULTS);
    ASSERT_EQ(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 8);
    for (int row = 0; row < 8; ++row) {
        Lines cells;
        for (int column = 0; column < 7; ++column) {
            cells.push_back(Cell(row, column));
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
    HWND bar = DialogItem(IDC_PROGRESS_NODES);
    EXPECT_EQ(::SendMessageW(bar, PBM_GETRANGE, FALSE, 0), 7);
    EXPECT_EQ(::SendMessageW(bar, PBM_GETPOS, 0, 0), 7);
    EXPECT_EQ(TextOf(DialogItem(IDC_STATIC_VERDICT)), "不合格");
    EXPECT_EQ(TextOf(DialogItem(IDC_STATIC_SUMMARY)),
              "预期节点 8，合格 6，不合格 2，未验证 0，非预期节点 0");
    EXPECT_TRUE(boxes.requests.empty());

    // The log: the run's lines through the main window's queue, ending with the last query.
    const Lines log = ListBoxLines(Item(IDC_LIST_LOG));
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(log[0], "[串口已打开]");
    EXPECT_EQ(log[1], "[验收测试]");
    EXPECT_EQ(std::count(log.begin(), log.end(), "[单点开锁]"), 7);
    EXPECT_EQ(std::count(log.begin(), log.end(), "[单点获取状态]"), 7);

    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / "velkaro-win32-acceptance";
    std::filesystem::create_directories(dir);
    FileDialogRecorder answers;
    for (const char* name : {"r.json", "r.csv", "r.html"}) {
        answers.answer = (dir / name).string();
        Click(DialogItem(IDC_BTN_SAVE_REPORT));
    }
    const nlohmann::json report = nlohmann::json::parse(std::ifstream(dir / "r.json"));
    EXPECT_EQ(report["result"], "fail");
    EXPECT_EQ(report["tool"], AfxGetAppName());
    EXPECT_EQ(report["cabinet"], "A-017 <b>&\"");
    EXPECT_EQ(report["operator"], "张三");
    EXPECT_EQ(report["nodes"][3]["reasons"], nlohmann::json::array({"did-not-open"}));
    EXPECT_EQ(report["nodes"][5]["reasons"], nlohmann::json::array({"no-reply"}));
    EXPECT_GT(std::filesystem::file_size(dir / "r.csv"), 0u);
    EXPECT_GT(std::filesystem::file_size(dir / "r.html"), 0u);
    std::filesystem::remove_all(dir);

    // A second run, stopped after its first node: it ends at its next transaction, incomplete,
    // and the port stays open.
    Click(DialogItem(IDC_BTN_START));
    ASSERT_TRUE(PumpUntil(
        [&] { return ::SendMessageW(DialogItem(IDC_PROGRESS_NODES), PBM_GETPOS, 0, 0) >= 1; },
        kRunTimeoutMs));
    const auto start = std::chrono::steady_clock::now();
    Click(DialogItem(IDC_BTN_STOP));
    ASSERT_TRUE(RunEnds());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(3000));
    EXPECT_FALSE(dlg.AcceptanceDialog()->Result()->Complete());
    EXPECT_EQ(TextOf(DialogItem(IDC_STATIC_SUMMARY)).rfind("测试未完成（已停止）", 0), 0u);
    EXPECT_NE(g_hComm, kInvalidSerialHandle);

    Click(Item(IDC_BTN_OPEN_PORT));
    EXPECT_EQ(g_hComm, kInvalidSerialHandle);
}

}  // namespace
