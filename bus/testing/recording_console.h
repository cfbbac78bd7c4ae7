// An operator console that records what the transactions show, for tests.
#pragma once

#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "bus/operator_console.h"

class RecordingConsole : public IOperatorConsole {
  public:
    ControlParameters& Parameters() override { return m_params; }

    void AppendLog(const std::string& line) override {
        std::lock_guard lock(m_mutex);
        m_log.push_back(line);
    }
    void SetStatusCell(int address, const std::string& text) override {
        std::lock_guard lock(m_mutex);
        if (address >= 0 && address <= 0xFE) {
            m_cells[address] = text;
        }
    }
    void ShowMessage(const std::string& text) override {
        std::lock_guard lock(m_mutex);
        m_messages.push_back(text);
    }

    std::vector<std::string> Log() const {
        std::lock_guard lock(m_mutex);
        return m_log;
    }
    std::map<int, std::string> Cells() const {
        std::lock_guard lock(m_mutex);
        return m_cells;
    }
    std::vector<std::string> Messages() const {
        std::lock_guard lock(m_mutex);
        return m_messages;
    }

  private:
    ControlParameters m_params;
    mutable std::mutex m_mutex;
    std::vector<std::string> m_log;
    std::map<int, std::string> m_cells;
    std::vector<std::string> m_messages;
};
