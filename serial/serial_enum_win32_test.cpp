// The port list from the registry: the rules on a scratch key of the test's own, and the
// machine's list on the port the test run mapped.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "serial/serial.h"
#include "serial/serial_enum_win32.h"

namespace {

// A key under HKCU\Software with values in the given order, deleted at the end.
class ScratchKey {
  public:
    ScratchKey() : m_path(L"Software\\VelkaroTest" + std::to_wstring(GetCurrentProcessId())) {
        RegDeleteTreeW(HKEY_CURRENT_USER, m_path.c_str());
        RegCreateKeyExW(HKEY_CURRENT_USER, m_path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &m_key, nullptr);
    }
    ~ScratchKey() {
        RegCloseKey(m_key);
        RegDeleteTreeW(HKEY_CURRENT_USER, m_path.c_str());
    }
    ScratchKey(const ScratchKey&) = delete;
    ScratchKey& operator=(const ScratchKey&) = delete;

    void SetString(const std::wstring& name, const std::wstring& data) {
        RegSetValueExW(m_key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                       static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
    }
    void SetNumber(const std::wstring& name, DWORD number) {
        RegSetValueExW(m_key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                       sizeof number);
    }
    const wchar_t* Path() const { return m_path.c_str(); }

    // The value names as the registry enumerates them, read independently of the code tested.
    std::vector<std::string> NamesInRegistryOrder() const {
        std::vector<std::string> names;
        for (DWORD i = 0;; ++i) {
            wchar_t name[260];
            DWORD length = 260;
            if (RegEnumValueW(m_key, i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
                ERROR_SUCCESS) {
                return names;
            }
            names.push_back(Utf8FromWide(name, length));
        }
    }

  private:
    std::wstring m_path;
    HKEY m_key = nullptr;
};

int32_t Enum(const ScratchKey& key, std::string* devices, std::string* ports, uint32_t limit) {
    return EnumRegistryPorts(HKEY_CURRENT_USER, key.Path(), devices, ports, limit);
}

TEST(RegistryPortsTest, AMissingKeyGivesNoEntriesAndLeavesTheArraysAlone) {
    std::vector<std::string> devices(4, "untouched");
    std::vector<std::string> ports(4, "untouched");
    EXPECT_EQ(EnumRegistryPorts(HKEY_CURRENT_USER, L"Software\\VelkaroNoSuchKey", devices.data(),
                                ports.data(), 4),
              0);
    EXPECT_EQ(devices, std::vector<std::string>(4, "untouched"));
    EXPECT_EQ(ports, std::vector<std::string>(4, "untouched"));
}

TEST(RegistryPortsTest, LimitAndArraysRules) {
    ScratchKey key;
    key.SetString(L"\\Device\\Serial2", L"COM3");
    key.SetString(L"\\Device\\Serial0", L"COM1");
    key.SetString(L"\\Device\\VCP0", L"COM12");
    const std::vector<std::string> order = key.NamesInRegistryOrder();
    ASSERT_EQ(order.size(), 3u);

    std::vector<std::string> devices(5, "untouched");
    std::vector<std::string> ports(5, "untouched");
    EXPECT_EQ(Enum(key, devices.data(), ports.data(), 0), 0);
    EXPECT_EQ(devices[0], "untouched") << "limit 0 reads no value";

    EXPECT_EQ(Enum(key, devices.data(), ports.data(), 5), 3);
    const std::vector<std::string> listed(devices.begin(), devices.begin() + 3);
    EXPECT_EQ(listed, order) << "the registry's order, nothing sorted";
    for (std::size_t i = 0; i < 3; ++i) {
        const std::string expected = order[i] == "\\Device\\Serial2"   ? "COM3"
                                     : order[i] == "\\Device\\Serial0" ? "COM1"
                                                                       : "COM12";
        EXPECT_EQ(ports[i], expected) << order[i];
    }
    EXPECT_EQ(devices[3], "untouched");

    std::vector<std::string> two(5, "untouched");
    EXPECT_EQ(Enum(key, nullptr, two.data(), 2), 2);
    EXPECT_EQ(two[2], "untouched");
    EXPECT_EQ(Enum(key, nullptr, nullptr, 256), 3);
}

// 129 characters and the terminator fill the 260-byte data buffer; one more does not fit.
// Values that do not fit, or that are not strings, are listed with an empty port name.
TEST(RegistryPortsTest, PortNamesThatFitAreListedWholeOthersEmpty) {
    struct Case {
        const wchar_t* device;
        std::wstring data;
        bool number;
        std::string port;
    };
    const Case cases[] = {
        {L"fits", std::wstring(129, L'P'), false, std::string(129, 'P')},
        {L"too long", std::wstring(130, L'P'), false, ""},
        {L"number", L"", true, ""},
        {L"utf16", L"COM\u95ED", false, "COM\xE9\x97\xAD"},
    };
    for (const Case& c : cases) {
        ScratchKey key;
        if (c.number) {
            key.SetNumber(c.device, 7);
        } else {
            key.SetString(c.device, c.data);
        }
        std::string port = "untouched";
        EXPECT_EQ(Enum(key, nullptr, &port, 1), 1);
        EXPECT_EQ(port, c.port) << Utf8FromWide(c.device, wcslen(c.device));
    }
}

TEST(SerialEnumPortsTest, ListsTheMappedPort) {
    const char* mapped = std::getenv("VELKARO_TEST_PORT");
    ASSERT_NE(mapped, nullptr) << "run these tests through scripts/test-windows.sh";
    std::vector<std::string> ports(256);
    ports.resize(static_cast<std::size_t>(SerialEnumPorts(nullptr, ports.data(), 256)));
    EXPECT_NE(std::find(ports.begin(), ports.end(), mapped), ports.end());
}

}  // namespace
