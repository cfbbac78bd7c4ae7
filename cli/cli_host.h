// The command line as the port worker's host: the log goes to stdout as it is appended (or
// into the JSON document), a message box becomes its text on stderr. The main thread is the
// consumer: it writes what the worker queued while it waits for the worker.
#pragma once

#include <map>
#include <nlohmann/json.hpp>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "cli/run_stop.h"
#include "record/log_file.h"
#include "worker/port_worker.h"

class CliHost : public PortWorkerHost {
  public:
    // A log line that cannot be written to `out` asks `stop` to end the run.
    CliHost(std::string portName, std::ostream& out, std::ostream& err, bool json, RunStop& stop);

    ControlParameters& Parameters() override { return m_params; }
    // Every log line also goes into `file`, with its time, whatever stdout does.
    void WriteLogTo(LogFile* file) { m_logFile = file; }
    // A stop asked for from outside cancels the running transaction, as closing the window does.
    bool TransactionCancelled() override { return m_stop.Requested(); }

    bool ShowedMessage(const std::string& text) const;
    // The run's record for its JSON document: the log, the cells and every cell write.
    nlohmann::ordered_json JsonRecord() const;

  protected:
    void ApplyLogLine(const LogLine& line) override;
    void ApplyStatusCell(int address, const std::string& text) override;
    void ApplyMessage(const std::string& text) override;
    std::string ReadPortName() override { return m_portName; }
    // The command line has no open button; its output carries only the log.
    void ApplyOpenButtonCaption(const std::string&) override {}

  private:
    ControlParameters m_params;
    std::string m_portName;
    std::ostream& m_out;
    std::ostream& m_err;
    bool m_json;
    RunStop& m_stop;
    LogFile* m_logFile = nullptr;
    std::vector<std::string> m_log;
    std::map<int, std::string> m_cells;
    // Every write in order, so that a run that polls twice shows both states.
    std::vector<std::pair<int, std::string>> m_cellWrites;
    std::vector<std::string> m_messages;
};
