// The max address field: hexadecimal text, scanned and clamped to the highest node address.
#pragma once

#include <cstdint>
#include <string>

inline constexpr uint8_t kMaxNodeAddress = 0xFE;

struct MaxAddressScan {
    uint8_t address;
    // The text was not an address from 00 to fe: the field is to show "fe".
    bool clamped;
};

// Reads like "%x": leading white space, an optional sign and 0x prefix, hex digits up to the
// first other character. Text that yields no number, a negative one or one above 0xFE gives
// 0xFE, so a group operation always covers the whole bus rather than a wrapped address.
MaxAddressScan ScanMaxAddress(const std::string& text);
