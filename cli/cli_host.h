// The command line as the port worker's host: the log goes to stdout as it is appended (or
// into the JSON document), a message box becomes its text on stderr.
#pragma once

#include <map>
#include <mutex>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "worker/port_worker.h"

class CliHost : public IPortWorkerHost {
  public:
    CliHost(std::string portName, std::ostream& out, std::ostream& err, bool json);

    ControlParameters& Parameters() override { return m_params; }
    void AppendLog(const std::string& line) override;
    void SetStatusCell(int address, const std::string& text) override;
    void ShowMessage(const std::string& text) override;
    std::string PortName() override { return m_portName; }
    // The command line has no open button; its output carries only the log.
    void SetOpenButtonCaption(const std::string&) override {}
    void ServeUntil(const std::function<bool()>& done) override;

    bool ShowedMessage(const std::string& text) const;
    void WriteJson(int exitStatus) const;

  private:
    ControlParameters m_params;
    std::string m_portName;
    std::ostream& m_out;
    std::ostream& m_err;
    bool m_json;
    mutable std::mutex m_mutex;
    std::vector<std::string> m_log;
    std::map<int, std::string> m_cells;
    // Every write in order, so that a run that polls twice shows both states.
    std::vector<std::pair<int, std::string>> m_cellWrites;
    std::vector<std::string> m_messages;
};
