#include <algorithm>
#include <cwchar>

#include "serial/serial.h"
#include "serial/serial_enum_win32.h"

namespace {

constexpr DWORD kNameCapacity = 260;  // characters
constexpr DWORD kDataCapacity = 260;  // bytes: 129 characters and the terminator
constexpr wchar_t kSerialCommKey[] = L"Hardware\\DeviceMap\\SerialComm";

struct RegistryValue {
    wchar_t name[kNameCapacity];
    DWORD nameLength;
    DWORD type;
    wchar_t data[kDataCapacity / sizeof(wchar_t)];
    DWORD dataBytes;
};

LONG ReadValue(HKEY key, DWORD index, RegistryValue& value) {
    value.nameLength = kNameCapacity;
    value.dataBytes = kDataCapacity;
    return RegEnumValueW(key, index, value.name, &value.nameLength, nullptr, &value.type,
                         reinterpret_cast<BYTE*>(value.data), &value.dataBytes);
}

// The data need not end in a terminator; it ends at the first one or at the data's end.
std::string PortNameOf(const RegistryValue& value) {
    const std::size_t characters = value.dataBytes / sizeof(wchar_t);
    return Utf8FromWide(value.data, wcsnlen(value.data, characters));
}

}  // namespace

std::string Utf8FromWide(const wchar_t* text, std::size_t length) {
    if (length == 0) {
        return {};
    }
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0,
                                         nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(std::max(size, 0)), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), utf8.data(), size, nullptr,
                        nullptr);
    return utf8;
}

// Every value counts as an entry, in the registry's order. One that the registry could not
// give whole (name or data too long for its buffer), or whose data is not a string, is listed
// with empty names: its port could not be opened by what the buffers hold, and an empty name
// makes choosing it fail cleanly rather than open some other, cut-down name.
int32_t EnumRegistryPorts(HKEY root, const wchar_t* subkey, std::string* deviceNames,
                          std::string* portNames, uint32_t limit) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, subkey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return 0;
    }
    uint32_t i = 0;
    RegistryValue value{};
    while (i < limit) {
        const LONG result = ReadValue(key, i, value);
        if (result == ERROR_NO_MORE_ITEMS) {
            break;
        }
        const bool whole = result == ERROR_SUCCESS;
        if (deviceNames != nullptr) {
            deviceNames[i] = whole ? Utf8FromWide(value.name, value.nameLength) : std::string();
        }
        if (portNames != nullptr) {
            portNames[i] = whole && value.type == REG_SZ ? PortNameOf(value) : std::string();
        }
        ++i;
    }
    // Not closing the key would leak a handle with every listing.
    RegCloseKey(key);
    return static_cast<int32_t>(i);
}

int32_t SerialEnumPorts(std::string* deviceNames, std::string* portNames, uint32_t limit) {
    return EnumRegistryPorts(HKEY_LOCAL_MACHINE, kSerialCommKey, deviceNames, portNames, limit);
}
