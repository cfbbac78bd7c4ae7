// The Win32 window's port list under wine: listed again from the registry when Windows reports
// a device change, the simulated session bus's port staying in it.
#include <cstddef>
#include <cstring>

#include "console/main_window_driver.h"
#include "console/message_box_recorder.h"
#include "console/win32_test_support.h"

namespace {

class Win32PortListTest : public testing::Test {
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

TEST_F(Win32PortListTest, ADeviceChangeListsThePortsAgainFromTheRegistry) {
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

}  // namespace
