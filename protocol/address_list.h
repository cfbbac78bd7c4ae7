// Lists of node addresses as an operator types them: the simulator's nodes, the nodes an
// acceptance run expects.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>

using AddressSet = std::set<uint8_t>;

// Hexadecimal node addresses, comma-separated, each an address or a range: "00-0f,20,fe".
// Values 00 to fe; spaces around items are allowed. Gives the sorted set, or nullopt with a
// description of the first fault in *error.
std::optional<AddressSet> ParseAddressList(std::string_view text, std::string* error = nullptr);
