// Strings between the layer (UTF-8) and Windows' wide functions (UTF-16).
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "console/dialog/text.h"

inline std::wstring Wide(std::string_view utf8) {
    const std::u16string utf16 = Utf8ToUtf16(utf8);
    return std::wstring(utf16.begin(), utf16.end());
}

inline std::string Narrow(std::wstring_view wide) {
    return Utf16ToUtf8(
        std::u16string_view(reinterpret_cast<const char16_t*>(wide.data()), wide.size()));
}
