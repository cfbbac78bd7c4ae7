// The operator's session in the visible window under wine, against the Linux node simulator on
// a COM port that wine maps to its pseudo-terminal (nodes 00 to 0f, node 03 open; the port's
// name in VELKARO_WINDOW_TEST_PORT).
#include <cstdlib>

#include "bus/testing/expected_log.h"
#include "console/VelkaroDlg.h"
#include "console/dialog/win_app.h"
#include "console/message_box_recorder.h"
#include "console/win32_test_support.h"
#include "serial/serial.h"

namespace {

constexpr int kTransactionTimeoutMs = 20'000;
constexpr int kNodes = 16;
constexpr int kOpenNode = 0x03;

class Win32OperatorFlowTest : public testing::Test {
  protected:
    void SetUp() override {
        const char* port = std::getenv("VELKARO_WINDOW_TEST_PORT");
        ASSERT_NE(port, nullptr) << "scripts/wine-tests.sh maps the simulator's port";
        m_port = port;
        ASSERT_TRUE(dlg.Create());
        AfxGetApp()->m_pMainWnd = &dlg;
    }
    void TearDown() override { AfxGetApp()->m_pMainWnd = nullptr; }

    HWND Item(int id) const { return ::GetDlgItem(dlg.GetSafeHwnd(), id); }
    Lines Log() const { return ListBoxLines(Item(IDC_LIST_LOG)); }
    bool WaitForLine(const std::string& line) {
        return PumpUntil(
            [&] {
                const Lines log = Log();
                return std::find(log.begin(), log.end(), line) != log.end();
            },
            kTransactionTimeoutMs);
    }
    std::string Cell(int row) const { return ListViewCell(Item(IDC_LIST_NODES), row, 1); }

    std::string m_port;
    MessageBoxRecorder boxes;
    CVelkaroDlg dlg;
};

TEST_F(Win32OperatorFlowTest, OpenPollSixteenNodesQueryAndUnlockOneClose) {
    HWND ports = Item(IDC_COMBO_PORT);
    const auto index = ::SendMessageW(ports, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                      reinterpret_cast<LPARAM>(Wide(m_port).c_str()));
    ASSERT_NE(index, CB_ERR) << m_port << " is not in the port list";
    ::SendMessageW(ports, CB_SETCURSEL, static_cast<WPARAM>(index), 0);

    Click(Item(IDC_BTN_OPEN_PORT));
    ASSERT_TRUE(WaitForLine("[串口已打开]"));
    EXPECT_EQ(TextOf(Item(IDC_BTN_OPEN_PORT)), "关闭串口");

    // Up to the last node: its reply ends the poll, well within the deadline of 280 ms, since
    // no log line waits for the window.
    SetText(Item(IDC_EDIT_MAX_ADDR), "0f");
    Click(Item(IDC_BTN_GROUP_STATUS));
    ASSERT_TRUE(WaitForLine("[--完毕：群体获取状态--]"));

    expected_log::Lines expected = {"[串口已打开]"};
    expected.insert(expected.end(), expected_log::kGroupStatusAnnouncement.begin(),
                    expected_log::kGroupStatusAnnouncement.end());
    for (int node = 0; node < kNodes; ++node) {
        const expected_log::Lines frame =
            expected_log::StatusReplyLines(node, node == kOpenNode ? 1 : 0);
        expected.insert(expected.end(), frame.begin(), frame.end());
    }
    expected.push_back(LOG_LAST_NODE);
    expected.push_back("[--完毕：群体获取状态--]");
    EXPECT_TRUE(expected_log::LogMatches(Log(), expected));
    for (int node = 0; node < kNodes; ++node) {
        EXPECT_EQ(Cell(node), node == kOpenNode ? CELL_OPEN : CELL_LOCKED) << node;
    }
    EXPECT_EQ(Cell(kNodes), "--") << "no node there";

    LVITEMW selected{};
    selected.state = selected.stateMask = LVIS_SELECTED;
    ::SendMessageW(Item(IDC_LIST_NODES), LVM_SETITEMSTATE, 0x07,
                   reinterpret_cast<LPARAM>(&selected));
    Click(Item(IDC_BTN_SINGLE_STATUS));
    ASSERT_TRUE(WaitForLine("[--完毕：单点获取状态--]"));
    EXPECT_EQ(Cell(0x07), CELL_LOCKED);
    Click(Item(IDC_BTN_SINGLE_UNLOCK));
    ASSERT_TRUE(WaitForLine("[--完毕：单点开锁--]"));
    EXPECT_TRUE(WaitForLine("->串口发送:A5,07,01,32,32,00,11"));

    Click(Item(IDC_BTN_OPEN_PORT));
    EXPECT_EQ(Log().back(), "[串口已关闭]") << "the close returns once the port is closed";
    EXPECT_EQ(TextOf(Item(IDC_BTN_OPEN_PORT)), "打开串口");
    EXPECT_EQ(g_hComm, INVALID_SERIAL_HANDLE);
    EXPECT_TRUE(boxes.requests.empty());
}

}  // namespace
