#include "acceptance/report.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "acceptance/verdict.h"
#include "res/texts.h"
#include "res/version.h"

namespace {

using Json = nlohmann::ordered_json;
using res::Text;
using res::TextId;

constexpr const char* SCHEMA = "velkaro-acceptance/1";
constexpr const char* kUtf8Bom = "\xEF\xBB\xBF";
constexpr const char* CRLF = "\r\n";

std::string Hex2(unsigned value) {
    char text[3];
    std::snprintf(text, sizeof text, "%02X", value & 0xFFu);
    return text;
}

template <typename T, typename F>
Json OrNull(const std::optional<T>& value, F convert) {
    return value ? Json(convert(*value)) : Json(nullptr);
}

Json StateJson(const std::optional<LockState>& state) {
    return OrNull(state, [](LockState s) { return LockStateText(s); });
}

Json NodeJson(const NodeResult& node) {
    Json reasons = Json::array();
    for (const Reason reason : node.reasons) {
        reasons.push_back(ReasonCode(reason));
    }
    return {
        {"address", Hex2(node.address)},
        {"expected", node.expected},
        {"scan_replies", node.scanReplies},
        {"scan_state", StateJson(node.scanState)},
        {"scan_reply_ms", OrNull(node.scanReplyMs, [](uint32_t ms) { return ms; })},
        {"unlock_reply", OrNull(node.unlockReply, [](bool b) { return b; })},
        {"after_state", StateJson(node.afterState)},
        {"locked_again", OrNull(node.lockedAgain, [](bool b) { return b; })},
        {"verdict", VerdictCode(node.verdict)},
        {"reasons", reasons},
    };
}

Json SettingsJson(const AcceptanceSettings& settings) {
    return {
        {"max_addr", Hex2(settings.maxAddr)}, {"feedback", settings.feedback != 0},
        {"polarity", settings.polarity},      {"max_on_time_ms", settings.maxOnTimeMs},
        {"interval_ms", settings.intervalMs}, {"close_wait_s", settings.closeWaitS},
        {"mode", ModeCode(settings.mode)},
    };
}

const char* ResultCode(const AcceptanceResult& result) {
    return result.passed ? "pass" : "fail";
}

// RFC 4180: a field with a comma, quote or line break is quoted, its quotes doubled. The
// operator's texts are always quoted.
std::string CsvField(const std::string& text, bool alwaysQuote = false) {
    const bool quote = alwaysQuote || text.find_first_of(",\"\r\n") != std::string::npos;
    if (!quote) {
        return text;
    }
    std::string field = "\"";
    for (const char c : text) {
        field += c == '"' ? std::string("\"\"") : std::string(1, c);
    }
    return field + "\"";
}

// A JSON value as a CSV cell: null empty, a list joined by ';'.
std::string CsvCell(const Json& value) {
    if (value.is_null()) {
        return "";
    }
    if (value.is_string()) {
        return CsvField(value.get<std::string>());
    }
    if (value.is_array()) {
        std::string joined;
        for (const Json& item : value) {
            joined += (joined.empty() ? "" : ";") + item.get<std::string>();
        }
        return CsvField(joined);
    }
    return value.dump();
}

std::string Html(const std::string& text) {
    std::string escaped;
    for (const char c : text) {
        switch (c) {
            case '&':
                escaped += "&amp;";
                break;
            case '<':
                escaped += "&lt;";
                break;
            case '>':
                escaped += "&gt;";
                break;
            case '"':
                escaped += "&quot;";
                break;
            case '\'':
                escaped += "&#39;";
                break;
            default:
                escaped += c;
        }
    }
    return escaped;
}

std::string StateCell(const std::optional<LockState>& state) {
    return state ? LockStateText(*state) : "—";
}

const char* YesNo(bool value) {
    return Text(value ? TextId::Yes : TextId::No);
}

std::string YesNoCell(const std::optional<bool>& value) {
    return value ? YesNo(*value) : "—";
}

constexpr const char* kHtmlStyle = R"(
@page { size: A4; margin: 15mm; }
* { box-sizing: border-box; print-color-adjust: exact; -webkit-print-color-adjust: exact; }
body { font-family: "WenQuanYi Micro Hei", "Microsoft YaHei", "Noto Sans CJK SC", sans-serif;
       font-size: 10pt; color: #111; margin: 0; }
@media screen { body { margin: 10mm; max-width: 190mm; } }
h1 { font-size: 16pt; margin: 0 0 4mm 0; }
table { border-collapse: collapse; width: 100%; }
.head td { padding: 1mm 3mm 1mm 0; vertical-align: top; }
.head td.label { color: #555; white-space: nowrap; width: 1%; }
.result { font-size: 36pt; font-weight: bold; margin: 5mm 0 2mm 0; }
.pass { color: #0a7a2a; }
.fail { color: #c0161b; }
.incomplete { color: #c0161b; font-weight: bold; }
.summary { margin: 0 0 5mm 0; font-size: 11pt; }
.nodes th, .nodes td { border: 0.3mm solid #999; padding: 1mm 2mm; text-align: left; }
.nodes th { background: #eee; }
.nodes thead { display: table-header-group; }
.nodes tr { page-break-inside: avoid; }
.nodes tr.failed td { background: #fde2e2; }
.nodes tr.failed td.verdict { color: #c0161b; font-weight: bold; }
.nodes tr.unexpected td { background: #fff3cd; }
)";

// The node table's headings, in the order of NodeRow's cells.
constexpr TextId kNodeColumns[] = {
    TextId::ReportColumnAddress, TextId::ReportColumnExpected,    TextId::ReportColumnScanReplies,
    TextId::ReportColumnBefore,  TextId::ReportColumnReplyMs,     TextId::ReportColumnUnlockReply,
    TextId::ReportColumnAfter,   TextId::ReportColumnLockedAgain, TextId::ReportColumnVerdict,
    TextId::ReportColumnReasons,
};

std::string HeaderRow(TextId label, const std::string& value) {
    return "<tr><td class=\"label\">" + Html(Text(label)) + "</td><td>" + Html(value) +
           "</td></tr>\n";
}

std::string SettingsText(const AcceptanceSettings& s) {
    return res::FormatText(
        TextId::ReportSettingsText, Hex2(s.maxAddr).c_str(),
        Text(s.feedback != 0 ? TextId::ReportWithFeedback : TextId::ReportWithoutFeedback),
        s.polarity, s.maxOnTimeMs, s.intervalMs, s.closeWaitS,
        Text(s.mode == AcceptanceMode::Group ? TextId::ReportModeGroup : TextId::ReportModeEach));
}

std::string ExpectedText(const AddressSet& expected) {
    std::string text;
    for (const uint8_t address : expected) {
        text += (text.empty() ? "" : " ") + Hex2(address);
    }
    return text;
}

std::string NodeRow(const NodeResult& node) {
    const char* rowClass = node.verdict == Verdict::Fail         ? " class=\"failed\""
                           : node.verdict == Verdict::Unexpected ? " class=\"unexpected\""
                                                                 : "";
    std::string reasons;
    for (const Reason reason : node.reasons) {
        reasons += std::string(reasons.empty() ? "" : "<br>") + ReasonWords(reason) + " (" +
                   ReasonCode(reason) + ")";
    }
    return std::string("<tr") + rowClass + "><td>" + Hex2(node.address) + "</td><td>" +
           YesNo(node.expected) + "</td><td>" + std::to_string(node.scanReplies) + "</td><td>" +
           StateCell(node.scanState) + "</td><td>" +
           (node.scanReplyMs ? std::to_string(*node.scanReplyMs) : "—") + "</td><td>" +
           YesNoCell(node.unlockReply) + "</td><td>" + StateCell(node.afterState) + "</td><td>" +
           YesNoCell(node.lockedAgain) + "</td><td class=\"verdict\">" +
           VerdictWords(node.verdict) + "</td><td>" + reasons + "</td></tr>\n";
}

}  // namespace

std::optional<ReportFormat> ReportFormatFor(const std::string& path) {
    const auto dot = path.rfind('.');
    if (dot == std::string::npos || path.find_first_of("/\\", dot) != std::string::npos) {
        return std::nullopt;
    }
    std::string extension = path.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension == "json") {
        return ReportFormat::Json;
    }
    if (extension == "csv") {
        return ReportFormat::Csv;
    }
    if (extension == "html" || extension == "htm") {
        return ReportFormat::Html;
    }
    return std::nullopt;
}

nlohmann::ordered_json AcceptanceJson(const AcceptanceResult& result) {
    const AcceptanceRequest& request = result.request;
    Json expected = Json::array();
    for (const uint8_t address : request.expected) {
        expected.push_back(Hex2(address));
    }
    Json nodes = Json::array();
    for (const NodeResult& node : result.nodes) {
        nodes.push_back(NodeJson(node));
    }
    const AcceptanceSummary& s = result.summary;
    return {
        {"schema", SCHEMA},
        {"tool", request.tool},
        {"version", res::kVersionText},
        {"port", request.port},
        {"cabinet", request.cabinet},
        {"operator", request.operatorName},
        {"started", result.started},
        {"finished", result.finished},
        {"complete", result.Complete()},
        {"settings", SettingsJson(request.settings)},
        {"expected", expected},
        {"result", ResultCode(result)},
        {"summary",
         {{"expected", s.expected},
          {"passed", s.passed},
          {"failed", s.failed},
          {"unverified", s.unverified},
          {"unexpected", s.unexpected}}},
        {"nodes", nodes},
    };
}

std::string AcceptanceCsv(const AcceptanceResult& result) {
    // The run's own fields lead every row, so that the rows of several cabinets can be pooled.
    const Json json = AcceptanceJson(result);
    const std::vector<std::string> runColumns = {"cabinet",  "operator", "started",
                                                 "finished", "complete", "result"};
    const std::vector<std::string> nodeColumns = {
        "address",      "expected",    "scan_replies", "scan_state", "scan_reply_ms",
        "unlock_reply", "after_state", "locked_again", "verdict",    "reasons"};
    std::string csv = kUtf8Bom;
    std::string header;
    for (const auto* columns : {&runColumns, &nodeColumns}) {
        for (const std::string& column : *columns) {
            header += (header.empty() ? "" : ",") + column;
        }
    }
    csv += header + CRLF;
    std::string runCells;
    for (const std::string& column : runColumns) {
        const bool typed = column == "cabinet" || column == "operator";
        runCells +=
            (typed ? CsvField(json[column].get<std::string>(), true) : CsvCell(json[column])) + ",";
    }
    for (const Json& node : json["nodes"]) {
        std::string row = runCells;
        for (std::size_t i = 0; i < nodeColumns.size(); ++i) {
            row += (i == 0 ? "" : ",") + CsvCell(node[nodeColumns[i]]);
        }
        csv += row + CRLF;
    }
    return csv;
}

std::string AcceptanceHtml(const AcceptanceResult& result) {
    const AcceptanceRequest& request = result.request;
    const std::string title = Html(Text(TextId::ReportTitle));
    std::string html = std::string("<!DOCTYPE html>\n<html lang=\"") +
                       Text(TextId::ReportHtmlLanguage) + "\">\n<head>\n<meta charset=\"utf-8\">\n";
    html += "<title>" + title + " " + Html(request.cabinet) + "</title>\n<style>" + kHtmlStyle +
            "</style>\n</head>\n<body>\n<h1>" + title + "</h1>\n<table class=\"head\">\n";
    html += HeaderRow(TextId::ReportCabinet, request.cabinet);
    html += HeaderRow(TextId::ReportOperator, request.operatorName);
    html += HeaderRow(TextId::ReportStarted, result.started);
    html += HeaderRow(TextId::ReportFinished, result.finished);
    html += HeaderRow(TextId::ReportPort, request.port);
    html += HeaderRow(TextId::ReportSettings, SettingsText(request.settings));
    html += HeaderRow(TextId::ReportExpected, ExpectedText(request.expected));
    html += HeaderRow(TextId::ReportTool, request.tool + " " + res::kVersionText);
    html += "</table>\n";
    html += std::string("<div class=\"result ") + (result.passed ? "pass\">" : "fail\">") +
            VerdictWords(result.passed ? Verdict::Pass : Verdict::Fail) + "</div>\n";
    if (!result.Complete()) {
        html += "<p class=\"incomplete\">" + Html(Text(TextId::ReportIncomplete)) + "</p>\n";
    }
    html += "<p class=\"summary\">" + SummaryWords(result.summary) + "</p>\n";
    html += "<table class=\"nodes\">\n<thead><tr>";
    for (const TextId column : kNodeColumns) {
        html += "<th>" + Html(Text(column)) + "</th>";
    }
    html += "</tr></thead>\n<tbody>\n";
    for (const NodeResult& node : result.nodes) {
        html += NodeRow(node);
    }
    html += "</tbody>\n</table>\n</body>\n</html>\n";
    return html;
}

std::string AcceptanceReport(const AcceptanceResult& result, ReportFormat format) {
    switch (format) {
        case ReportFormat::Json:
            return AcceptanceJson(result).dump(2) + "\n";
        case ReportFormat::Csv:
            return AcceptanceCsv(result);
        case ReportFormat::Html:
            return AcceptanceHtml(result);
    }
    return "";
}
