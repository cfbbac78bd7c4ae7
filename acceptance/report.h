// The acceptance report in three formats, each a pure function of the run's result.
#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "acceptance/acceptance.h"

enum class ReportFormat { Json, Csv, Html };

// By the file name's extension (.json, .csv, .html, any case); nullopt for any other.
std::optional<ReportFormat> ReportFormatFor(const std::string& path);

// The "velkaro-acceptance/1" object; `version` is the program's.
nlohmann::ordered_json AcceptanceJson(const AcceptanceResult& result);
// UTF-8 with a byte order mark, CRLF line ends, one row per node.
std::string AcceptanceCsv(const AcceptanceResult& result);
// One self-contained page, printable on A4.
std::string AcceptanceHtml(const AcceptanceResult& result);

std::string AcceptanceReport(const AcceptanceResult& result, ReportFormat format);
