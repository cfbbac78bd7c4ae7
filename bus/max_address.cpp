#include "bus/max_address.h"

#include <cctype>
#include <cstddef>

namespace {

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
}

bool HasHexPrefix(const std::string& text, std::size_t at) {
    return at + 2 < text.size() && text[at] == '0' &&
           (text[at + 1] == 'x' || text[at + 1] == 'X') && HexDigitValue(text[at + 2]) >= 0;
}

}  // namespace

MaxAddressScan ScanMaxAddress(const std::string& text) {
    constexpr MaxAddressScan kClamped{kMaxNodeAddress, true};
    std::size_t at = 0;
    while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at]))) {
        ++at;
    }
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        negative = text[at] == '-';
        ++at;
    }
    if (HasHexPrefix(text, at)) {
        at += 2;
    }
    // Saturates instead of overflowing: anything past 0xFE clamps all the same.
    unsigned value = 0;
    std::size_t digits = 0;
    for (; at < text.size() && HexDigitValue(text[at]) >= 0; ++at, ++digits) {
        value = value > kMaxNodeAddress
                    ? value
                    : value * 16 + static_cast<unsigned>(HexDigitValue(text[at]));
    }
    if (digits == 0 || (negative && value != 0) || value > kMaxNodeAddress) {
        return kClamped;
    }
    return MaxAddressScan{static_cast<uint8_t>(value), false};
}
