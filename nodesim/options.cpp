#include "nodesim/options.h"

#include <CLI/CLI.hpp>
#include <charconv>

#include "res/texts.h"

namespace {

using Ms = std::chrono::milliseconds;

// Long enough for any bench scenario, short enough that no time computation overflows.
constexpr unsigned long long kMaxMs = 24ull * 60 * 60 * 1000;
// More noise than the host's 16-byte capture, bounded so that no answer grows unreasonably.
constexpr unsigned long long kMaxNoiseBytes = 4096;

[[noreturn]] void Reject(const std::string& option, const std::string& why) {
    throw CLI::ValidationError(option, why);
}

unsigned long long Decimal(const std::string& option, std::string_view text, unsigned long long min,
                           unsigned long long max) {
    unsigned long long value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc{} || end != text.data() + text.size() || value < min ||
        value > max) {
        Reject(option, "\"" + std::string(text) + "\" is not a whole number from " +
                           std::to_string(min) + " to " + std::to_string(max));
    }
    return value;
}

Ms Milliseconds(const std::string& option, std::string_view text) {
    return Ms(Decimal(option, text, 0, kMaxMs));
}

AddressSet Addresses(const std::string& option, std::string_view text) {
    std::string error;
    auto addresses = ParseAddressList(text, &error);
    if (!addresses) {
        Reject(option, error);
    }
    return *addresses;
}

uint8_t HexByte(const std::string& option, std::string_view text) {
    unsigned value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (text.empty() || text.size() > 2 || ec != std::errc{} || end != text.data() + text.size()) {
        Reject(option, "\"" + std::string(text) + "\" is not a hexadecimal byte");
    }
    return static_cast<uint8_t>(value);
}

// "ADDRS<separator>VALUE" split at the last separator.
std::pair<std::string_view, std::string_view> SplitPair(const std::string& option,
                                                        std::string_view text, char separator) {
    const auto at = text.rfind(separator);
    if (at == std::string_view::npos) {
        Reject(option, "\"" + std::string(text) + "\" lacks '" + separator + "'");
    }
    return {text.substr(0, at), text.substr(at + 1)};
}

void AddAddressOption(CLI::App& app, const std::string& name, AddressSet& target,
                      const std::string& description) {
    app.add_option_function<std::string>(
           name, [name, &target](const std::string& text) { target = Addresses(name, text); },
           description)
        ->type_name("ADDRS");
}

void AddMsOption(CLI::App& app, const std::string& name, std::function<void(Ms)> assign,
                 const std::string& description) {
    app.add_option_function<std::string>(
           name, [name, assign](const std::string& text) { assign(Milliseconds(name, text)); },
           description)
        ->type_name("MS");
}

void AddLockOptions(CLI::App& app, NodeSimConfig& config) {
    AddAddressOption(app, "--nodes", config.nodes,
                     "addresses of the nodes on the bus, e.g. 00-0f,20 (default 00-0f)");
    AddAddressOption(app, "--open", config.openLocks, "locks that start open");
    app.add_option_function<std::string>(
           "--locked-level",
           [&config](const std::string& text) {
               config.lockedLevel = static_cast<uint8_t>(Decimal("--locked-level", text, 0, 1));
           },
           "feedback level of a locked lock; an open one reads the other (default 0)")
        ->type_name("0|1");
    app.add_option_function<std::vector<std::string>>(
           "--level",
           [&config](const std::vector<std::string>& items) {
               for (const std::string& item : items) {
                   const auto [addresses, level] = SplitPair("--level", item, '=');
                   const uint8_t value = HexByte("--level", level);
                   for (const uint8_t a : Addresses("--level", addresses)) {
                       config.levelOverride[a] = value;
                   }
               }
           },
           "raw level that these nodes report whatever their lock does, e.g. 05=02 (repeatable)")
        ->type_name("ADDRS=HEX");
    AddMsOption(
        app, "--open-time", [&config](Ms ms) { config.openTime = ms; },
        "energising a lock needs to open (default 20)");
    AddAddressOption(app, "--jammed", config.jammed, "locks that never open");
    AddMsOption(
        app, "--close-after", [&config](Ms ms) { config.closeAfter = ms; },
        "an open lock closes again this long after it opened (default never)");
}

void AddLate(NodeSimConfig& config, const std::string& item) {
    if (item.find(':') == std::string::npos) {
        config.lateAll = Milliseconds("--late", item);
        return;
    }
    const auto [addresses, ms] = SplitPair("--late", item, ':');
    const Ms late = Milliseconds("--late", ms);
    for (const uint8_t a : Addresses("--late", addresses)) {
        config.lateFor[a] = late;
    }
}

void AddFaultOptions(CLI::App& app, NodeSimConfig& config) {
    AddAddressOption(app, "--silent", config.silent, "nodes that exist but never reply");
    app.add_option_function<std::string>(
           "--noise",
           [&config](const std::string& text) {
               config.noiseBytes = Decimal("--noise", text, 0, kMaxNoiseBytes);
           },
           "bytes of noise (never A5 or 5A) before the first reply of each answer")
        ->type_name("N");
    AddAddressOption(app, "--duplicate", config.duplicates,
                     "addresses set on two boards: each reply of them goes out twice");
    AddAddressOption(app, "--bad-checksum", config.badChecksum,
                     "nodes whose replies carry a wrong checksum");
    app.add_flag("--reverse", config.reverseOrder,
                 "the replies of one answer go out highest address first");
    app.add_flag("--echo", config.echo, "send every received byte straight back");
    app.add_option_function<std::vector<std::string>>(
           "--late",
           [&config](const std::vector<std::string>& items) {
               for (const std::string& item : items) {
                   AddLate(config, item);
               }
           },
           "delay the replies of all nodes, or of ADDRS only, by MS (repeatable)")
        ->type_name("MS|ADDRS:MS");
    app.add_option_function<std::string>(
           "--hangup-after-frames",
           [&config](const std::string& text) {
               config.hangupAfterFrames =
                   static_cast<unsigned>(Decimal("--hangup-after-frames", text, 1, UINT32_MAX));
           },
           "hang up the port when the Nth host frame arrives, leaving it unanswered")
        ->type_name("N");
    AddMsOption(
        app, "--hangup-after-ms", [&config](Ms ms) { config.hangupAfter = ms; },
        "hang up the port this long after the start");
}

}  // namespace

void AddNodeSimOptions(CLI::App& app, NodeSimOptions& options) {
    AddLockOptions(app, options.config);
    AddFaultOptions(app, options.config);
    app.add_flag_callback(
        "--no-register", [&options] { options.config.registerPort = false; },
        "keep the port out of the machine's serial port list");
    app.add_flag("-v,--verbose", options.verbose,
                 "log the frames received and the replies sent on stderr");
    // Read before parsing, by res::StartInChosenLanguage, as every program of the suite does.
    app.add_option("--lang")
        ->description(res::Text(res::TextId::NodeSimHelpLanguage))
        ->type_name("zh|en");
}
