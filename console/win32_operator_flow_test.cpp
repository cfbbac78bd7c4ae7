// What only the Win32 window does in the operator's session under wine, against the Linux node
// simulator on a COM port that wine maps to its pseudo-terminal (nodes 00 to 0f, node 03 open;
// the port's name in VELKARO_WINDOW_TEST_PORT): the port list from the registry, and the record
// while a poll runs. The session itself is a shared case (main_window_cases_test.cpp).
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "console/file_dialog_recorder.h"
#include "console/main_window_driver.h"
#include "console/message_box_recorder.h"
#include "console/win32_test_support.h"
#include "record/bus_trace.h"

namespace {

constexpr int kTransactionTimeoutMs = 20'000;

class Win32OperatorFlowTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(window.Shown()) << "scripts/wine/tests.sh maps the simulator's port";
    }

    HWND Item(int id) { return ::GetDlgItem(Window(), id); }
    HWND Window() { return window.Dlg().GetSafeHwnd(); }
    bool IsListed(const std::string& port) {
        return ::SendMessageW(Item(IDC_COMBO_PORT), CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                              reinterpret_cast<LPARAM>(Wide(port).c_str())) != CB_ERR;
    }
    bool WaitForLine(const std::string& line) {
        return ServeUntilLogged(window, line, std::chrono::milliseconds(kTransactionTimeoutMs));
    }
    void Command(int id) { ::SendMessageW(Window(), WM_COMMAND, MAKEWPARAM(id, 0), 0); }

    MessageBoxRecorder boxes;
    MainWindowDriver window{SimulatedBus::Session};
};

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
    SendPortEvent(Window(), DBT_DEVICEARRIVAL, port.c_str());
    EXPECT_TRUE(PumpUntil([&] { return IsListed("COM42"); }, 1000));
    EXPECT_TRUE(IsListed(window.BusPort())) << "the other ports stay";

    ::RegDeleteValueW(key, device.c_str());
    ::RegCloseKey(key);
    SendPortEvent(Window(), DBT_DEVICEREMOVECOMPLETE, port.c_str());
    EXPECT_TRUE(PumpUntil([&] { return !IsListed("COM42"); }, 1000));
    EXPECT_TRUE(IsListed(window.BusPort()));
}

TEST_F(Win32OperatorFlowTest, SaveWhileAPollRunsWritesTheLinesWithTimesAndTheTraceHoldsTheBus) {
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "velkaro-record";
    std::filesystem::create_directories(dir);
    FileDialogRecorder files;
    files.answer = (dir / "bus.pcapng").string();
    window.SelectPort(window.BusPort());  // the trace is named after the port the list shows
    Command(IDM_TRACE);
    ASSERT_TRUE(BusTraceRunning());
    window.Click(IDC_BTN_OPEN_PORT);
    ASSERT_TRUE(WaitForLine("[串口已打开]"));

    // Max address fe: after node 0f's reply the poll waits out its deadline of 1475 ms.
    window.Click(IDC_BTN_GROUP_STATUS);
    ASSERT_TRUE(WaitForLine("header=5A,addr=0F,cmd=00,rsp_param[0]=00"));
    files.answer = (dir / "saved.log").string();
    Command(IDM_LOG_SAVE);
    const Lines shown = window.Log();
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
    EXPECT_NE(trace.find(window.BusPort()), std::string::npos) << "the interface's name";
    EXPECT_NE(trace.find(std::string("\xA5\xFF\x00\x00\x00\x00\xA4", 7)), std::string::npos);
    EXPECT_NE(trace.find(std::string("\x5A\x0F\x00\x00\x69", 5)), std::string::npos);
    EXPECT_TRUE(boxes.requests.empty());
    window.Click(IDC_BTN_OPEN_PORT);
    std::filesystem::remove_all(dir);
}

}  // namespace
