#include "cli/cli_host.h"

#include <algorithm>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "cli/exit_status.h"
#include "cli/output.h"

namespace {

constexpr uint32_t WAIT_SLICE_MS = 60'000;

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

void CliHost::AppendLog(const std::string& line) {
    std::lock_guard lock(m_mutex);
    m_log.push_back(line);
    if (m_json || !m_out) {
        return;
    }
    // Flushed line by line so that a script reading the pipe sees the bus as it happens.
    const std::string failure = WriteLine(m_out, line);
    if (!failure.empty()) {
        m_stop.Request(EXIT_OUTPUT_FAILED, failure);
    }
}

void CliHost::SetStatusCell(int address, const std::string& text) {
    if (address < 0 || address > 0xFE) {
        return;
    }
    std::lock_guard lock(m_mutex);
    m_cells[address] = text;
    m_cellWrites.emplace_back(address, text);
}

void CliHost::ShowMessage(const std::string& text) {
    std::lock_guard lock(m_mutex);
    m_messages.push_back(text);
    m_err << text << std::endl;
}

void CliHost::ServeUntil(const std::function<bool()>& done) {
    while (!WaitWorkerProgress(done, WAIT_SLICE_MS)) {
    }
}

bool CliHost::ShowedMessage(const std::string& text) const {
    std::lock_guard lock(m_mutex);
    return std::find(m_messages.begin(), m_messages.end(), text) != m_messages.end();
}

nlohmann::ordered_json CliHost::JsonRecord() const {
    std::lock_guard lock(m_mutex);
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
