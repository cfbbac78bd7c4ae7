// The operator's session in the visible window under wine, against the Linux node simulator on
// a COM port that wine maps to its pseudo-terminal (nodes 00 to 0f, node 03 open; the port's
// name in VELKARO_WINDOW_TEST_PORT), and a port that goes away (VELKARO_WINDOW_HANGUP_PORT,
// whose simulator hangs up its pseudo-terminal when the first frame arrives).
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "bus/testing/expected_log.h"
#include "console/VelkaroDlg.h"
#include "console/dialog/win_app.h"
#include "console/file_dialog_recorder.h"
#include "console/message_box_recorder.h"
#include "console/win32_test_support.h"
#include "record/bus_trace.h"
#include "serial/serial.h"

namespace {

constexpr int kTransactionTimeoutMs = 20'000;
constexpr int kNodes = 16;
constexpr int kOpenNode = 0x03;

class Win32OperatorFlowTest : public testing::Test {
  protected:
    void SetUp() override {
        const char* port = std::getenv("VELKARO_WINDOW_TEST_PORT");
        ASSERT_NE(port, nullptr) << "scripts/wine/tests.sh maps the simulator's port";
        m_port = port;
        ASSERT_TRUE(dlg.Create());
        AfxGetApp()->m_pMainWnd = &dlg;
    }

    bool IsListed(const std::string& port) const {
        return ::SendMessageW(Item(IDC_COMBO_PORT), CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                              reinterpret_cast<LPARAM>(Wide(port).c_str())) != CB_ERR;
    }
    void SelectPort(const std::string& port) {
        HWND ports = Item(IDC_COMBO_PORT);
        const auto index = ::SendMessageW(ports, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                          reinterpret_cast<LPARAM>(Wide(port).c_str()));
        ASSERT_NE(index, CB_ERR) << port << " is not in the port list";
        ::SendMessageW(ports, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
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
    void Command(int id) { ::SendMessageW(dlg.GetSafeHwnd(), WM_COMMAND, MAKEWPARAM(id, 0), 0); }

    std::string m_port;
    MessageBoxRecorder boxes;
    CVelkaroDlg dlg;
};

TEST_F(Win32OperatorFlowTest, OpenPollSixteenNodesQueryAndUnlockOneClose) {
    SelectPort(m_port);

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
    expected.push_back(kLogLastNode);
    expected.push_back("[--完毕：群体获取状态--]");
    EXPECT_TRUE(expected_log::LogMatches(Log(), expected));
    for (int node = 0; node < kNodes; ++node) {
        EXPECT_EQ(Cell(node), node == kOpenNode ? kCellOpen : kCellLocked) << node;
    }
    EXPECT_EQ(Cell(kNodes), "--") << "no node there";

    LVITEMW selected{};
    selected.state = selected.stateMask = LVIS_SELECTED;
    ::SendMessageW(Item(IDC_LIST_NODES), LVM_SETITEMSTATE, 0x07,
                   reinterpret_cast<LPARAM>(&selected));
    Click(Item(IDC_BTN_SINGLE_STATUS));
    ASSERT_TRUE(WaitForLine("[--完毕：单点获取状态--]"));
    EXPECT_EQ(Cell(0x07), kCellLocked);
    Click(Item(IDC_BTN_SINGLE_UNLOCK));
    ASSERT_TRUE(WaitForLine("[--完毕：单点开锁--]"));
    EXPECT_TRUE(WaitForLine("->串口发送:A5,07,01,32,32,00,11"));

    Click(Item(IDC_BTN_OPEN_PORT));
    EXPECT_EQ(Log().back(), "[串口已关闭]") << "the close returns once the port is closed";
    EXPECT_EQ(TextOf(Item(IDC_BTN_OPEN_PORT)), "打开串口");
    EXPECT_EQ(g_hComm, kInvalidSerialHandle);
    EXPECT_TRUE(boxes.requests.empty());
}

std::chrono::milliseconds ProcessCpuTime() {
    FILETIME created{}, exited{}, kernel{}, user{};
    ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user);
    const auto ticks = [](const FILETIME& t) {
        return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    return std::chrono::milliseconds((ticks(kernel) + ticks(user)) / 10'000);
}

// Handles the thread's messages as a window's message loop does, asleep in between, for `span`.
void RunMessageLoopFor(std::chrono::milliseconds span) {
    const auto end = std::chrono::steady_clock::now() + span;
    for (auto now = std::chrono::steady_clock::now(); now < end;
         now = std::chrono::steady_clock::now()) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(end - now);
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left.count()),
                                    QS_ALLINPUT);
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
}

// The pseudo-terminal behind the COM port closes as the poll's frame arrives, as when the
// adapter is pulled out during the poll.
TEST_F(Win32OperatorFlowTest, APulledAdapterDuringAPollClosesThePortWithOneBox) {
    const char* port = std::getenv("VELKARO_WINDOW_HANGUP_PORT");
    ASSERT_NE(port, nullptr) << "scripts/wine/tests.sh maps the hanging-up simulator's port";
    SelectPort(port);
    Click(Item(IDC_BTN_OPEN_PORT));
    ASSERT_TRUE(WaitForLine("[串口已打开]"));

    SetText(Item(IDC_EDIT_MAX_ADDR), "fe");  // a deadline of 1475 ms
    const auto pressed = std::chrono::steady_clock::now();
    Click(Item(IDC_BTN_GROUP_STATUS));
    ASSERT_TRUE(PumpUntil([&] { return !boxes.requests.empty(); }, kTransactionTimeoutMs));
    const auto boxAfter = std::chrono::steady_clock::now() - pressed;
    ASSERT_TRUE(PumpUntil([] { return !PortWorkerRunning(); }, kTransactionTimeoutMs));

    EXPECT_LT(boxAfter, std::chrono::milliseconds(1000)) << "not the poll's deadline";
    ASSERT_EQ(boxes.requests.size(), 1u);
    EXPECT_EQ(boxes.requests.front().text, "串口已断开");
    EXPECT_EQ(TextOf(Item(IDC_BTN_OPEN_PORT)), "打开串口");
    expected_log::Lines expected = {"[串口已打开]"};
    expected.insert(expected.end(), expected_log::kGroupStatusAnnouncement.begin(),
                    expected_log::kGroupStatusAnnouncement.end());
    expected.push_back("[串口已断开]");
    expected.push_back("[串口已关闭]");
    EXPECT_EQ(Log(), expected);

    const auto cpuBefore = ProcessCpuTime();
    RunMessageLoopFor(std::chrono::seconds(5));
    const auto cpuUsed = ProcessCpuTime() - cpuBefore;
    std::printf(
        "hang-up under wine: the box %lld ms after the press; %lld ms of processor time "
        "in the 5 s after\n",
        static_cast<long long>(
            std::chrono::duration_cast<std::chrono::milliseconds>(boxAfter).count()),
        static_cast<long long>(cpuUsed.count()));
    // Wine's clock counts processor time in 10 ms steps; a spinning wait costs all 5000.
    EXPECT_LT(cpuUsed, std::chrono::milliseconds(100));
    EXPECT_EQ(boxes.requests.size(), 1u);
}

// What Windows sends every top-level window when a port is plugged in or pulled out.
void SendPortEvent(HWND window, UINT event, const wchar_t* port) {
    const std::wstring name(port);
    std::vector<unsigned char> broadcast(offsetof(DEV_BROADCAST_PORT_W, dbcp_name) +
                                         (name.size() + 1) * sizeof(wchar_t));
    auto* header = reinterpret_cast<DEV_BROADCAST_PORT_W*>(broadcast.data());
    header->dbcp_size = static_cast<DWORD>(broadcast.size());
    header->dbcp_devicetype = DBT_DEVTYP_PORT;
    std::memcpy(broadcast.data() + offsetof(DEV_BROADCAST_PORT_W, dbcp_name), name.c_str(),
                (name.size() + 1) * sizeof(wchar_t));
    ::SendMessageW(window, WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(broadcast.data()));
}

TEST_F(Win32OperatorFlowTest, ADeviceChangeListsThePortsAgainFromTheRegistry) {
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Hardware\\DeviceMap\\SerialComm", 0, nullptr,
                                REG_OPTION_VOLATILE, KEY_SET_VALUE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const std::wstring device = L"\\Device\\VelkaroTestSerial";
    const std::wstring port = L"COM42";
    ASSERT_FALSE(IsListed("COM42"));

    ASSERT_EQ(::RegSetValueExW(key, device.c_str(), 0, REG_SZ,
                               reinterpret_cast<const BYTE*>(port.c_str()),
                               static_cast<DWORD>((port.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
    SendPortEvent(dlg.GetSafeHwnd(), DBT_DEVICEARRIVAL, port.c_str());
    EXPECT_TRUE(PumpUntil([&] { return IsListed("COM42"); }, 1000));
    EXPECT_TRUE(IsListed(m_port)) << "the other ports stay";

    ::RegDeleteValueW(key, device.c_str());
    ::RegCloseKey(key);
    SendPortEvent(dlg.GetSafeHwnd(), DBT_DEVICEREMOVECOMPLETE, port.c_str());
    EXPECT_TRUE(PumpUntil([&] { return !IsListed("COM42"); }, 1000));
    EXPECT_TRUE(IsListed(m_port));
}

TEST_F(Win32OperatorFlowTest, SaveWhileAPollRunsWritesTheLinesWithTimesAndTheTraceHoldsTheBus) {
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "velkaro-record";
    std::filesystem::create_directories(dir);
    FileDialogRecorder files;
    files.answer = (dir / "bus.pcapng").string();
    SelectPort(m_port);  // the trace is named after the port the list shows
    Command(IDM_TRACE);
    ASSERT_TRUE(BusTraceRunning());
    Click(Item(IDC_BTN_OPEN_PORT));
    ASSERT_TRUE(WaitForLine("[串口已打开]"));

    // Max address fe: after node 0f's reply the poll waits out its deadline of 1475 ms.
    Click(Item(IDC_BTN_GROUP_STATUS));
    ASSERT_TRUE(WaitForLine("header=5A,addr=0F,cmd=00,rsp_param[0]=00"));
    files.answer = (dir / "saved.log").string();
    Command(IDM_LOG_SAVE);
    const Lines shown = Log();
    ASSERT_TRUE(WaitForLine("[--完毕：群体获取状态--]"));
    Command(IDM_TRACE);
    EXPECT_FALSE(BusTraceRunning());

    // CRLF line ends; each line the list's, after a time that never goes back.
    const std::string saved = ReadFile(dir / "saved.log");
    std::size_t at = 0;
    std::string previousTime;
    for (const std::string& line : shown) {
        const std::size_t end = saved.find("\r\n", at);
        ASSERT_NE(end, std::string::npos);
        const std::string fileLine = saved.substr(at, end - at);
        ASSERT_GT(fileLine.size(), 24u);
        EXPECT_EQ(fileLine[23], '\t');
        EXPECT_EQ(fileLine.substr(24), line);
        EXPECT_GE(fileLine.substr(0, 23), previousTime);
        previousTime = fileLine.substr(0, 23);
        at = end + 2;
    }
    EXPECT_EQ(at, saved.size());

    const std::string trace = ReadFile(dir / "bus.pcapng");
    EXPECT_NE(trace.find(m_port), std::string::npos) << "the interface's name";
    EXPECT_NE(trace.find(std::string("\xA5\xFF\x00\x00\x00\x00\xA4", 7)), std::string::npos);
    EXPECT_NE(trace.find(std::string("\x5A\x0F\x00\x00\x69", 5)), std::string::npos);
    EXPECT_TRUE(boxes.requests.empty());
    Click(Item(IDC_BTN_OPEN_PORT));
    std::filesystem::remove_all(dir);
}

}  // namespace
