#include "cli/cli_app.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>
#include <vector>

#include "acceptance/acceptance_run.h"
#include "acceptance/report.h"
#include "bus/max_address.h"
#include "bus/operator_console.h"
#include "cli/cli_host.h"
#include "cli/exit_status.h"
#include "cli/exit_status_list.h"
#include "cli/output.h"
#include "cli/simulated_bus.h"
#include "record/bus_trace.h"
#include "record/log_file.h"
#include "record/output_file.h"
#include "res/texts.h"
#include "res/version.h"
#include "serial/serial.h"

namespace {

using res::FormatText;
using res::TextId;

const char* T(TextId id) {
    return res::Text(id);
}

enum class OperationKind { GroupStatus, GroupUnlock, SingleStatus, SingleUnlock, Wait };

struct Operation {
    OperationKind kind;
    uint32_t value = 0;  // the node address, or the wait in milliseconds
};

// Numbers as the operator typed them; checked once the command line has been read.
struct NumberTexts {
    std::string polarity = "0";
    std::string maxOnTime = "500";
    std::string interval = "50";
};

// The acceptance run's own options, as typed.
struct CommissionTexts {
    std::optional<std::string> expect;
    std::string cabinet;
    std::string operatorName;
    std::vector<std::string> reports;
    std::string closeWait = "0";
    std::string mode = "each";
};

struct Commission {
    AcceptanceRequest request;
    std::vector<std::string> reports;
};

struct CliOptions {
    // Unset: the first listed port, as the window selects it. Set but empty: no port.
    std::optional<std::string> port;
    std::string maxAddr = "fe";
    bool feedback = true;
    int polarity = 0;
    int maxOnTime = 500;
    int interval = 50;
    std::optional<std::string> simulate;
    bool json = false;
    std::optional<std::string> logPath;
    std::optional<std::string> tracePath;
    bool listPorts = false;
    std::vector<Operation> operations;
    std::optional<Commission> commission;
};

using Json = nlohmann::ordered_json;

// How a run ended.
struct RunEnd {
    int status = kExitOk;
    // One line saying why it ended as it did, for stderr and the JSON document; empty on success.
    std::string reason;
    // The reason is already on stderr, as the text of a message box.
    bool reasonShown = false;
    // What the JSON document holds besides the status and the reason; none after --help.
    std::optional<Json> record = Json::object();
};

struct UsageError {
    std::string message;
};

// Plain digits only: no sign, prefix, exponent or space, so that "010" is ten.
std::optional<uint32_t> ParseNumber(const std::string& text, int base) {
    const bool plainDigits = !text.empty() && std::all_of(text.begin(), text.end(), [base](char c) {
        return base == 16 ? std::isxdigit(static_cast<unsigned char>(c)) != 0
                          : std::isdigit(static_cast<unsigned char>(c)) != 0;
    });
    uint32_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, ec] = std::from_chars(text.data(), end, value, base);
    if (!plainDigits || ec != std::errc() || stop != end) {
        return std::nullopt;
    }
    return value;
}

int DecimalOption(const char* name, const std::string& text, int min, int max) {
    const auto value = ParseNumber(text, 10);
    if (!value || static_cast<int64_t>(*value) < min || static_cast<int64_t>(*value) > max) {
        throw UsageError{FormatText(TextId::CliBadDecimal, name, text.c_str(), min, max)};
    }
    return static_cast<int>(*value);
}

uint32_t TakeArgument(const std::vector<std::string>& words, std::size_t& at, int base,
                      uint32_t max, TextId what) {
    if (at + 1 >= words.size()) {
        throw UsageError{FormatText(TextId::CliNeeds, words[at].c_str(), T(what))};
    }
    const std::string& text = words[++at];
    const auto value = ParseNumber(text, base);
    if (!value || *value > max) {
        throw UsageError{
            FormatText(TextId::CliIsNot, words[at - 1].c_str(), text.c_str(), T(what))};
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
                TakeArgument(words, at, 16, kMaxNodeAddress, TextId::CliWhatNodeAddress);
            operations.push_back(
                {word == "status" ? OperationKind::SingleStatus : OperationKind::SingleUnlock,
                 address});
        } else if (word == "wait") {
            operations.push_back({OperationKind::Wait, TakeArgument(words, at, 10, UINT32_MAX,
                                                                    TextId::CliWhatMilliseconds)});
        } else {
            throw UsageError{FormatText(TextId::CliUnknownOperation, word.c_str())};
        }
    }
    return operations;
}

// "  4    the port went away ...", continued under the meaning, as help2man reads an option list.
std::string ExitStatusHelp() {
    constexpr std::size_t kWidth = 92;
    const std::string indent(7, ' ');
    std::string help = std::string(T(TextId::CliHelpExitStatus)) + "\n";
    for (const ExitStatusMeaning& row : kExitStatusMeanings) {
        std::string line = "  " + std::to_string(row.status);
        line.resize(indent.size(), ' ');
        std::istringstream words(row.meaning);
        for (std::string word; words >> word;) {
            const bool lineHasWords = line.size() > indent.size();
            if (lineHasWords && line.size() + 1 + word.size() > kWidth) {
                help += line + "\n";
                line = indent;
            }
            line += (line.size() > indent.size() ? " " : "") + word;
        }
        help += line + "\n";
    }
    return help;
}

void DefineCommission(CLI::App& app, CommissionTexts& texts) {
    CLI::App* commission = app.add_subcommand("commission", T(TextId::CliHelpCommission));
    commission->fallthrough();
    commission->add_option("--expect", texts.expect, T(TextId::CliHelpExpect))->type_name("ADDRS");
    commission->add_option("--cabinet", texts.cabinet, T(TextId::CliHelpCabinet));
    commission->add_option("--operator", texts.operatorName, T(TextId::CliHelpOperator));
    commission->add_option("--report", texts.reports, T(TextId::CliHelpReport))
        ->type_name("FILE")
        ->allow_extra_args(false);
    commission->add_option("--close-wait", texts.closeWait, T(TextId::CliHelpCloseWait))
        ->type_name("S")
        ->capture_default_str();
    commission->add_option("--mode", texts.mode, T(TextId::CliHelpMode))
        ->type_name("each|group")
        ->capture_default_str();
}

void DefineOptions(CLI::App& app, CliOptions& options, NumberTexts& numbers,
                   std::vector<std::string>& words, CommissionTexts& commission) {
    app.set_version_flag("--version", res::kVersionText);
    app.add_option("--port", options.port, T(TextId::CliHelpPort));
    app.add_option("--max-addr", options.maxAddr, T(TextId::CliHelpMaxAddr))->capture_default_str();
    app.add_flag("--feedback,!--no-feedback", options.feedback, T(TextId::CliHelpFeedback));
    app.add_option("--polarity", numbers.polarity, T(TextId::CliHelpPolarity))
        ->type_name("0|1")
        ->capture_default_str();
    app.add_option("--max-on-time", numbers.maxOnTime, T(TextId::CliHelpMaxOnTime))
        ->type_name("MS")
        ->capture_default_str();
    app.add_option("--interval", numbers.interval, T(TextId::CliHelpInterval))
        ->type_name("MS")
        ->capture_default_str();
    app.add_flag("--simulate{00-0f}", options.simulate, T(TextId::CliHelpSimulate));
    app.add_flag("--json", options.json, T(TextId::CliHelpJson));
    app.add_option("--log", options.logPath, T(TextId::CliHelpLog))->type_name("FILE");
    app.add_option("--trace", options.tracePath, T(TextId::CliHelpTrace))->type_name("FILE");
    app.add_option("--lang")
        ->description(res::Text(res::TextId::CliHelpLanguage))
        ->type_name("zh|en");
    app.add_option("operation", words, T(TextId::CliHelpOperation));
    DefineCommission(app, commission);
    app.footer(std::string(T(TextId::CliHelpCommissionFooter)) + "\n" + ExitStatusHelp() + "\n" +
               T(TextId::CliHelpJsonFooter));
}

AcceptanceMode ModeOption(const std::string& text) {
    if (text == "each" || text == "group") {
        return text == "group" ? AcceptanceMode::Group : AcceptanceMode::Each;
    }
    throw UsageError{FormatText(TextId::CliBadMode, text.c_str())};
}

// Everything but the port, which is known once the run starts.
Commission ParseCommission(const CommissionTexts& texts, const CliOptions& options) {
    if (!texts.expect) {
        throw UsageError{T(TextId::CliCommissionNeedsExpect)};
    }
    std::string error;
    const auto expected = ParseAddressList(*texts.expect, &error);
    if (!expected) {
        throw UsageError{FormatText(TextId::CliBadExpect, error.c_str())};
    }
    for (const std::string& report : texts.reports) {
        if (!ReportFormatFor(report)) {
            throw UsageError{FormatText(TextId::CliBadReportName, report.c_str())};
        }
    }
    Commission commission;
    commission.reports = texts.reports;
    AcceptanceRequest& request = commission.request;
    request.expected = *expected;
    request.cabinet = texts.cabinet;
    request.operatorName = texts.operatorName;
    request.tool = "velkaro-cli";
    request.settings = {
        ScanMaxAddress(options.maxAddr).address,
        options.feedback ? 1 : 0,
        options.polarity,
        options.maxOnTime,
        options.interval,
        static_cast<uint32_t>(DecimalOption("--close-wait", texts.closeWait, 0, kCloseWaitMaxS)),
        ModeOption(texts.mode)};
    return commission;
}

CliOptions ParseCommandLine(CLI::App& app, int argc, const char* const* argv) {
    CliOptions options;
    NumberTexts numbers;
    std::vector<std::string> words;
    CommissionTexts commission;
    DefineOptions(app, options, numbers, words, commission);
    app.parse(argc, argv);
    options.polarity = DecimalOption("--polarity", numbers.polarity, 0, 1);
    options.maxOnTime =
        DecimalOption("--max-on-time", numbers.maxOnTime, kMaxOnTimeMin, kMaxOnTimeMax);
    options.interval = DecimalOption("--interval", numbers.interval, kIntervalMin, kIntervalMax);
    if (options.simulate && options.port) {
        throw UsageError{T(TextId::CliPortAndSimulate)};
    }
    if (app.got_subcommand("commission")) {
        if (!words.empty()) {
            throw UsageError{T(TextId::CliCommissionAlone)};
        }
        options.commission = ParseCommission(commission, options);
        return options;
    }
    if (words.size() == 1 && words[0] == "ports") {
        options.listPorts = true;
        return options;
    }
    if (words.empty()) {
        throw UsageError{T(TextId::CliNoOperation)};
    }
    options.operations = ParseOperations(words);
    return options;
}

// Whether the command line asks for JSON, read even when it cannot be parsed.
bool AsksForJson(int argc, const char* const* argv) {
    for (int i = 1; i < argc && std::string(argv[i]) != "--"; ++i) {
        if (std::string(argv[i]) == "--json") {
            return true;
        }
    }
    return false;
}

void ApplyParameters(const CliOptions& options, ControlParameters& params) {
    params.m_bFeedback = options.feedback ? 1 : 0;
    params.m_nPolarity = options.polarity;
    params.m_nMaxOnTime = options.maxOnTime;
    params.m_nInterval = options.interval;
}

// Writes the log as the transaction runs, and all of it before returning.
void RunAndWait(CliHost& host, std::atomic<uint32_t>& flag, const RunStop& stop) {
    RaiseRequest(flag);
    // A stop cancels the transaction (the flag then clears) or keeps it from starting; a worker
    // that ended (its port went away) leaves the flag to nobody.
    host.ServeUntil([&] { return flag == 0 || stop.Requested() || !PortWorkerRunning(); });
}

void RunOperation(CliHost& host, const Operation& operation, const std::string& maxAddrText,
                  RunStop& stop) {
    ControlParameters& params = host.Parameters();
    switch (operation.kind) {
        case OperationKind::GroupStatus:
        case OperationKind::GroupUnlock:
            params.m_byMaxAddr = ScanMaxAddress(maxAddrText).address;
            RunAndWait(host,
                       operation.kind == OperationKind::GroupStatus ? g_bReqGroupStatus
                                                                    : g_bReqGroupUnlock,
                       stop);
            break;
        case OperationKind::SingleStatus:
        case OperationKind::SingleUnlock:
            params.m_bySelAddr = static_cast<uint8_t>(operation.value);
            RunAndWait(host,
                       operation.kind == OperationKind::SingleStatus ? g_bReqSingleStatus
                                                                     : g_bReqSingleUnlock,
                       stop);
            break;
        case OperationKind::Wait:
            // The port idles, but lines of the open or of the last operation may still be
            // on their way out.
            host.ServeQueueUntil(
                [&stop] { return stop.Requested() || !PortWorkerRunning(); },
                ConsoleQueue::Clock::now() + std::chrono::milliseconds(operation.value));
            break;
    }
}

bool OpenPortThroughWorker(CliHost& host) {
    StartPortWorker(&host);
    // "[串口已打开]" is out before any operation: a stdout that fails there sends nothing.
    host.ServeUntil([] { return PortShownOpen() || !PortWorkerRunning(); });
    return g_hComm != kInvalidSerialHandle;
}

// The report files, created before the port is opened so that a name that cannot be written
// costs no run; each is written once the run has ended.
struct ReportFile {
    std::string path;
    std::ofstream file;
};

std::string CreateReportFiles(const std::optional<Commission>& commission,
                              std::vector<ReportFile>& files) {
    for (const std::string& path : commission ? commission->reports : std::vector<std::string>{}) {
        ReportFile& report = files.emplace_back(ReportFile{path, {}});
        if (std::string error; !CreateOutputFile(report.file, path, error)) {
            return FormatText(TextId::CliCannotCreate, "--report", path.c_str(), error.c_str());
        }
    }
    return {};
}

// The first failure's reason; empty when every report is on disk.
std::string WriteReports(const AcceptanceResult& result, std::vector<ReportFile>& reports) {
    std::string failure;
    for (ReportFile& report : reports) {
        errno = 0;
        report.file << AcceptanceReport(result, *ReportFormatFor(report.path));
        report.file.close();
        if (!report.file && failure.empty()) {
            failure = FormatText(TextId::CliCannotWriteReport, report.path.c_str(),
                                 FileErrorText().c_str());
        }
    }
    return failure;
}

std::string NotPassedReason(const AcceptanceSummary& s) {
    return FormatText(TextId::CliCabinetDidNotPass, s.failed, s.expected, s.unverified,
                      s.unexpected);
}

RunEnd CommissionEnd(const AcceptanceResult& result, const CliHost& host, const RunStop& stop,
                     bool portGone) {
    if (stop.Requested()) {
        return {stop.ExitStatus(), stop.Reason()};
    }
    if (portGone || result.end == AcceptanceEnd::PortGone) {
        return {kExitPortGone, T(TextId::CliPortWentAway)};
    }
    if (host.ShowedMessage(res::Text(res::TextId::MsgWriteError))) {
        return {kExitWriteError, res::Text(res::TextId::MsgWriteError), true};
    }
    if (!result.passed) {
        return {kExitNotPassed, NotPassedReason(result.summary)};
    }
    return {};
}

// The acceptance run as the worker's fifth request; its reports are written however it ended.
RunEnd RunCommission(const Commission& commission, std::vector<ReportFile>& reports, CliHost& host,
                     const std::string& port, RunStop& stop) {
    AcceptanceRequest request = commission.request;
    request.port = port;
    const auto job = std::make_shared<AcceptanceJob>(request);
    RequestAcceptanceRun(job);
    host.ServeUntil(
        [&stop] { return g_bReqAcceptance == 0 || stop.Requested() || !PortWorkerRunning(); });
    const bool portGone = PortWentAway();
    // Waits for a stopped run to end too.
    StopPortWorker(host);
    ClearRequests();
    const AcceptanceResult result =
        job->Done() ? job->Result() : AcceptanceNotRun(request, AcceptanceEnd::Cancelled);
    RunEnd end = CommissionEnd(result, host, stop, portGone);
    if (const std::string failure = WriteReports(result, reports); !failure.empty()) {
        end = {kExitOutputFailed, failure};
    }
    Json record = host.JsonRecord();
    record["acceptance"] = AcceptanceJson(result);
    end.record = record;
    return end;
}

// Runs the operations in order until a stop is asked for or the port goes away (the worker
// then closes it by itself), then closes the port through the worker's stop. True if the port
// went away.
bool RunOperationsOnOpenPort(const CliOptions& options, CliHost& host, RunStop& stop) {
    for (const Operation& operation : options.operations) {
        if (stop.Requested() || PortWentAway()) {
            break;
        }
        RunOperation(host, operation, options.maxAddr, stop);
    }
    StopPortWorker(host);
    // A request a stop kept from starting does not outlive the run.
    ClearRequests();
    return PortWentAway();
}

RunEnd RunOnPort(const CliOptions& options, const std::string& port,
                 std::vector<ReportFile>& reports, CliHost& host, RunStop& stop) {
    if (!OpenPortThroughWorker(host)) {
        return {kExitOpenFailed, res::Text(res::TextId::MsgOpenFailed), true, host.JsonRecord()};
    }
    if (options.commission) {
        return RunCommission(*options.commission, reports, host, port, stop);
    }
    const bool portGone = RunOperationsOnOpenPort(options, host, stop);
    if (stop.Requested()) {
        return {stop.ExitStatus(), stop.Reason(), false, host.JsonRecord()};
    }
    if (portGone) {
        return {kExitPortGone, T(TextId::CliPortWentAway), false, host.JsonRecord()};
    }
    if (host.ShowedMessage(res::Text(res::TextId::MsgWriteError))) {
        return {kExitWriteError, res::Text(res::TextId::MsgWriteError), true, host.JsonRecord()};
    }
    return {kExitOk, "", false, host.JsonRecord()};
}

// The files of the run's record, created before the port is opened. A file that cannot be
// created is a usage error: the message, empty when all went well.
std::string CreateRecordFiles(const CliOptions& options, const std::string& port,
                              LogFile& logFile) {
    std::string error;
    if (options.logPath && !logFile.Create(*options.logPath, error)) {
        return FormatText(TextId::CliCannotCreate, "--log", options.logPath->c_str(),
                          error.c_str());
    }
    if (options.tracePath && !StartBusTrace(*options.tracePath, "velkaro-cli", port, error)) {
        return FormatText(TextId::CliCannotCreate, "--trace", options.tracePath->c_str(),
                          error.c_str());
    }
    return {};
}

RunEnd RunOperations(const CliOptions& options, const std::string& port, std::ostream& out,
                     std::ostream& err, RunStop& stop) {
    LogFile logFile;
    std::vector<ReportFile> reports;
    if (std::string usage = CreateReportFiles(options.commission, reports); !usage.empty()) {
        return {kExitUsage, usage};
    }
    if (std::string usage = CreateRecordFiles(options, port, logFile); !usage.empty()) {
        return {kExitUsage, usage};
    }
    CliHost host(port, out, err, options.json, stop);
    ApplyParameters(options, host.Parameters());
    if (options.logPath) {
        host.WriteLogTo(&logFile);
    }
    const RunEnd end = RunOnPort(options, port, reports, host, stop);
    // After the port has closed: every byte that passed it is in the file.
    std::string traceError;
    if (!StopBusTrace(traceError) && end.status == kExitOk) {
        return {kExitOutputFailed, FormatText(TextId::CliCannotWriteTrace, traceError.c_str()),
                false, host.JsonRecord()};
    }
    return end;
}

RunEnd RunOnSimulatedNodes(const CliOptions& options, std::ostream& out, std::ostream& err,
                           RunStop& stop) {
    RunEnd end;
    const auto failure = RunOnSimulatedBus(*options.simulate, [&](const std::string& port) {
        end = RunOperations(options, port, out, err, stop);
    });
    return failure ? RunEnd{failure->exitStatus, failure->reason} : end;
}

RunEnd ListPortsTo(std::ostream& out, bool json) {
    const std::vector<std::string> ports = SerialPortNames();
    if (json) {
        return {kExitOk, "", false, Json{{"ports", ports}}};
    }
    for (const std::string& port : ports) {
        if (const std::string failure = WriteLine(out, port); !failure.empty()) {
            return {kExitOutputFailed, failure};
        }
    }
    return {};
}

RunEnd Run(int argc, const char* const* argv, std::ostream& out, std::ostream& err, RunStop& stop,
           bool json) {
    if (std::string error; !res::StartInChosenLanguage(argc, argv, error)) {
        return {kExitUsage, error};
    }
    CLI::App app{T(TextId::CliHelpDescription)};
    CliOptions options;
    try {
        options = ParseCommandLine(app, argc, argv);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0) {
            return {app.exit(e, out, err), "", false, std::nullopt};  // --help
        }
        return {kExitUsage, e.what()};
    } catch (const UsageError& e) {
        return {kExitUsage, e.message};
    }
    if (options.listPorts) {
        return ListPortsTo(out, json);
    }
    if (options.simulate) {
        return RunOnSimulatedNodes(options, out, err, stop);
    }
    if (!options.port) {
        // Like the window, which opens with the first listed port selected.
        const auto ports = SerialPortNames();
        options.port = ports.empty() ? std::string() : ports.front();
    }
    return RunOperations(options, *options.port, out, err, stop);
}

// Exactly one document, whatever the end; but none once stdout has failed.
void WriteJsonDocument(std::ostream& out, RunEnd& end) {
    if (!end.record || end.status == kExitOutputFailed) {
        return;
    }
    Json document = *end.record;
    document["exit_status"] = end.status;
    if (!end.reason.empty()) {
        document["error"] = end.reason;
    }
    if (const std::string failure = WriteLine(out, document.dump(2)); !failure.empty()) {
        end = {kExitOutputFailed, failure};
    }
}

}  // namespace

int RunCli(int argc, const char* const* argv, std::ostream& out, std::ostream& err, RunStop& stop) {
    const bool json = AsksForJson(argc, argv);
    RunEnd end = Run(argc, argv, out, err, stop, json);
    if (json) {
        WriteJsonDocument(out, end);
    }
    if (!end.reason.empty() && !end.reasonShown) {
        err << "velkaro-cli: " << end.reason << std::endl;
    }
    return end.status;
}
