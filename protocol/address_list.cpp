#include "protocol/address_list.h"

#include <charconv>

namespace {

constexpr unsigned kHighestNodeAddress = 0xFE;

std::string_view Trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

bool Fail(std::string* error, std::string message) {
    if (error != nullptr) {
        *error = std::move(message);
    }
    return false;
}

// One or two hex digits naming a node (00 to fe).
bool ParseAddress(std::string_view text, uint8_t& address, std::string* error) {
    text = Trimmed(text);
    if (text.empty()) {
        return Fail(error, "an address is missing");
    }
    unsigned value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (text.size() > 2 || ec != std::errc{} || end != text.data() + text.size()) {
        return Fail(error, "\"" + std::string(text) + "\" is not a hexadecimal node address");
    }
    if (value > kHighestNodeAddress) {
        return Fail(error, "\"" + std::string(text) + "\" is the broadcast address, not a node");
    }
    address = static_cast<uint8_t>(value);
    return true;
}

bool AddItem(std::string_view item, AddressSet& addresses, std::string* error) {
    const auto dash = item.find('-');
    uint8_t first = 0;
    uint8_t last = 0;
    if (dash == std::string_view::npos) {
        if (!ParseAddress(item, first, error)) {
            return false;
        }
        last = first;
    } else if (!ParseAddress(item.substr(0, dash), first, error) ||
               !ParseAddress(item.substr(dash + 1), last, error)) {
        return false;
    }
    if (first > last) {
        return Fail(error, "range \"" + std::string(Trimmed(item)) + "\" runs backwards");
    }
    for (unsigned a = first; a <= last; ++a) {
        addresses.insert(static_cast<uint8_t>(a));
    }
    return true;
}

}  // namespace

std::optional<AddressSet> ParseAddressList(std::string_view text, std::string* error) {
    AddressSet addresses;
    std::size_t start = 0;
    while (true) {
        const auto comma = text.find(',', start);
        const auto item =
            text.substr(start, comma == std::string_view::npos ? text.npos : comma - start);
        if (!AddItem(item, addresses, error)) {
            return std::nullopt;
        }
        if (comma == std::string_view::npos) {
            return addresses;
        }
        start = comma + 1;
    }
}
