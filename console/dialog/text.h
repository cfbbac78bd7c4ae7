// The layer's strings are UTF-8; the window system's may be UTF-16.
#pragma once

#include <string>
#include <string_view>

// A malformed sequence becomes U+FFFD.
std::u16string Utf8ToUtf16(std::string_view utf8);
// An unpaired surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view utf16);
