#include "cli/cli_host.h"

#include <algorithm>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "cli/exit_status.h"
#include "cli/output.h"
#include "record/output_file.h"
#include "res/texts.h"

namespace {

// The node table's address column: two upper-case hexadecimal digits.
std::string RowLabel(int address) {
    char label[3];
    std::snprintf(label, sizeof label, "%02X", address);
    return label;
}

}  // namespace

CliHost::CliHost(std::string portName, std::ostream& out, std::ostream& err, bool json,
                 RunStop& stop)
    : m_portName(std::move(portName)), m_out(out), m_err(err), m_json(json), m_stop(stop) {}

void CliHost::ApplyLogLine(const LogLine& line) {
    m_log.push_back(line.text);
    if (m_logFile && !m_logFile->Write(line)) {
        m_stop.Request(kExitOutputFailed,
                       res::FormatText(res::TextId::CliCannotWriteLog, FileErrorText().c_str()));
        m_logFile = nullptr;
    }
    if (m_json || !m_out) {
        return;
    }
    // Flushed line by line so that a script reading the pipe sees the bus as it happens.
    const std::string failure = WriteLine(m_out, line.text);
    if (!failure.empty()) {
        m_stop.Request(kExitOutputFailed, failure);
    }
}

void CliHost::ApplyStatusCell(int address, const std::string& text) {
    if (address < 0 || address > 0xFE) {
        return;
    }
    m_cells[address] = text;
    m_cellWrites.emplace_back(address, text);
}

void CliHost::ApplyMessage(const std::string& text) {
    m_messages.push_back(text);
    m_err << text << std::endl;
}

bool CliHost::ShowedMessage(const std::string& text) const {
    return std::find(m_messages.begin(), m_messages.end(), text) != m_messages.end();
}

nlohmann::ordered_json CliHost::JsonRecord() const {
    nlohmann::ordered_json cells = nlohmann::ordered_json::object();
    for (const auto& [address, text] : m_cells) {
        cells[RowLabel(address)] = text;
    }
    nlohmann::ordered_json writes = nlohmann::ordered_json::array();
    for (const auto& [address, text] : m_cellWrites) {
        writes.push_back({RowLabel(address), text});
    }
    return {{"log", m_log}, {"cells", cells}, {"cell_writes", writes}};
}
