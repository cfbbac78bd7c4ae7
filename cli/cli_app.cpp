#include "cli/cli_app.h"

#include <CLI/CLI.hpp>
#include <charconv>
#include <chrono>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "bus/log_text.h"
#include "bus/max_address.h"
#include "bus/operator_console.h"
#include "cli/cli_host.h"
#include "cli/exit_status.h"
#include "cli/simulated_bus.h"
#include "res/version.h"
#include "serial/serial.h"

namespace {

constexpr uint32_t PORT_LIST_LIMIT = 256;
constexpr uint32_t WAIT_SLICE_MS = 60'000;

enum class OperationKind { GroupStatus, GroupUnlock, SingleStatus, SingleUnlock, Wait };

struct Operation {
    OperationKind kind;
    uint32_t value = 0;  // the node address, or the wait in milliseconds
};

struct CliOptions {
    std::string port;
    std::string maxAddr = "fe";
    bool feedback = true;
    int polarity = 0;
    int maxOnTime = 500;
    int interval = 50;
    std::optional<std::string> simulate;
    bool json = false;
    bool listPorts = false;
    std::vector<Operation> operations;
};

struct UsageError {
    std::string message;
};

std::optional<uint32_t> ParseNumber(const std::string& text, int base) {
    uint32_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, ec] = std::from_chars(text.data(), end, value, base);
    if (text.empty() || ec != std::errc() || stop != end) {
        return std::nullopt;
    }
    return value;
}

uint32_t TakeArgument(const std::vector<std::string>& words, std::size_t& at, int base,
                      uint32_t max, const char* what) {
    if (at + 1 >= words.size()) {
        throw UsageError{words[at] + " needs " + what};
    }
    const std::string& text = words[++at];
    const auto value = ParseNumber(text, base);
    if (!value || *value > max) {
        throw UsageError{words[at - 1] + ": '" + text + "' is not " + what};
    }
    return *value;
}

std::vector<Operation> ParseOperations(const std::vector<std::string>& words) {
    std::vector<Operation> operations;
    for (std::size_t at = 0; at < words.size(); ++at) {
        const std::string& word = words[at];
        if (word == "group-status") {
            operations.push_back({OperationKind::GroupStatus});
        } else if (word == "group-unlock") {
            operations.push_back({OperationKind::GroupUnlock});
        } else if (word == "status" || word == "unlock") {
            const uint32_t address =
                TakeArgument(words, at, 16, MAX_NODE_ADDRESS, "a node address from 00 to fe");
            operations.push_back(
                {word == "status" ? OperationKind::SingleStatus : OperationKind::SingleUnlock,
                 address});
        } else if (word == "wait") {
            operations.push_back(
                {OperationKind::Wait, TakeArgument(words, at, 10, UINT32_MAX, "milliseconds")});
        } else {
            throw UsageError{"unknown operation '" + word + "'"};
        }
    }
    return operations;
}

void DefineOptions(CLI::App& app, CliOptions& options, std::vector<std::string>& words) {
    app.set_version_flag("--version", res::kVersionText);
    app.add_option("--port", options.port, "serial port: a name from 'ports', or a device path");
    app.add_option("--max-addr", options.maxAddr, "highest node address, hexadecimal")
        ->capture_default_str();
    app.add_flag("--feedback,!--no-feedback", options.feedback,
                 "the locks have a feedback contact (default) or not");
    app.add_option("--polarity", options.polarity, "0: a locked lock reads 0; 1: it reads 1")
        ->check(CLI::Range(0, 1))
        ->capture_default_str();
    app.add_option("--max-on-time", options.maxOnTime, "longest energising time of an unlock, ms")
        ->check(CLI::Range(MAX_ON_TIME_MIN, MAX_ON_TIME_MAX))
        ->capture_default_str();
    app.add_option("--interval", options.interval, "interval between unlocks, ms")
        ->check(CLI::Range(INTERVAL_MIN, INTERVAL_MAX))
        ->capture_default_str();
    app.add_flag("--simulate{00-0f}", options.simulate,
                 "run against the built-in simulated bus (nodes ADDRS, all locked)");
    app.add_flag("--json", options.json, "print one JSON document instead of the log lines");
    app.add_option("operation", words,
                   "ports | group-status | group-unlock | status ADDR | unlock ADDR | wait MS");
}

CliOptions ParseCommandLine(CLI::App& app, int argc, const char* const* argv) {
    CliOptions options;
    std::vector<std::string> words;
    DefineOptions(app, options, words);
    app.parse(argc, argv);
    if (words.size() == 1 && words[0] == "ports") {
        options.listPorts = true;
        return options;
    }
    if (words.empty()) {
        throw UsageError{"no operation given"};
    }
    if (options.simulate && !options.port.empty()) {
        throw UsageError{"--port and --simulate exclude each other"};
    }
    options.operations = ParseOperations(words);
    return options;
}

std::vector<std::string> ListPorts() {
    std::vector<std::string> ports(PORT_LIST_LIMIT);
    ports.resize(static_cast<std::size_t>(SerialEnumPorts(nullptr, ports.data(), PORT_LIST_LIMIT)));
    return ports;
}

void ApplyParameters(const CliOptions& options, ControlParameters& params) {
    params.m_bFeedback = options.feedback ? 1 : 0;
    params.m_nPolarity = options.polarity;
    params.m_nMaxOnTime = options.maxOnTime;
    params.m_nInterval = options.interval;
}

void RunAndWait(std::atomic<uint32_t>& flag) {
    RaiseRequest(flag);
    while (!WaitWorkerProgress([&flag] { return flag == 0; }, WAIT_SLICE_MS)) {
    }
}

void RunOperation(const Operation& operation, const std::string& maxAddrText,
                  ControlParameters& params) {
    switch (operation.kind) {
        case OperationKind::GroupStatus:
        case OperationKind::GroupUnlock:
            params.m_byMaxAddr = ScanMaxAddress(maxAddrText).address;
            RunAndWait(operation.kind == OperationKind::GroupStatus ? g_bReqGroupStatus
                                                                    : g_bReqGroupUnlock);
            break;
        case OperationKind::SingleStatus:
        case OperationKind::SingleUnlock:
            params.m_bySelAddr = static_cast<uint8_t>(operation.value);
            RunAndWait(operation.kind == OperationKind::SingleStatus ? g_bReqSingleStatus
                                                                     : g_bReqSingleUnlock);
            break;
        case OperationKind::Wait:
            std::this_thread::sleep_for(std::chrono::milliseconds(operation.value));
            break;
    }
}

bool OpenPortThroughWorker(CliHost& host) {
    StartPortWorker(&host);
    while (!WaitWorkerProgress(
        [] { return g_hComm != INVALID_SERIAL_HANDLE || !PortWorkerRunning(); }, WAIT_SLICE_MS)) {
    }
    return g_hComm != INVALID_SERIAL_HANDLE;
}

int RunOperations(const CliOptions& options, const std::string& port, std::ostream& out,
                  std::ostream& err) {
    CliHost host(port, out, err, options.json);
    ApplyParameters(options, host.Parameters());
    int status = EXIT_OPEN_FAILED;
    if (OpenPortThroughWorker(host)) {
        for (const Operation& operation : options.operations) {
            RunOperation(operation, options.maxAddr, host.Parameters());
        }
        StopPortWorker(host);
        status = host.ShowedMessage(MSG_WRITE_ERROR) ? EXIT_WRITE_ERROR : EXIT_OK;
    }
    if (options.json) {
        host.WriteJson(status);
    }
    return status;
}

}  // namespace

int RunCli(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    CLI::App app{"Velkaro: the lock-control bus from the command line"};
    CliOptions options;
    try {
        options = ParseCommandLine(app, argc, argv);
    } catch (const CLI::ParseError& e) {
        return e.get_exit_code() == 0 ? app.exit(e, out, err)
                                      : (err << e.what() << std::endl, EXIT_USAGE);
    } catch (const UsageError& e) {
        err << e.message << std::endl;
        return EXIT_USAGE;
    }
    if (options.listPorts) {
        for (const std::string& port : ListPorts()) {
            out << port << '\n';
        }
        return EXIT_OK;
    }
    if (options.simulate) {
        return RunOnSimulatedBus(
            *options.simulate,
            [&](const std::string& port) { return RunOperations(options, port, out, err); }, err);
    }
    if (options.port.empty()) {
        // Like the window, which opens with the first listed port selected.
        const auto ports = ListPorts();
        options.port = ports.empty() ? std::string() : ports.front();
    }
    return RunOperations(options, options.port, out, err);
}
