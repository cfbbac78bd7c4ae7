// An operator console that records what the transactions show, for tests. The thread that
// creates it is its consumer: transactions run there show at once; those run on another
// thread are shown as that thread serves the queue.
#pragma once

#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "worker/console_queue.h"

class RecordingConsole : public QueuedConsole {
  public:
    ControlParameters& Parameters() override { return m_params; }

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

  protected:
    void ApplyLogLine(const LogLine& line) override {
        std::lock_guard lock(m_mutex);
        m_log.push_back(line.text);
    }
    void ApplyStatusCell(int address, const std::string& text) override {
        std::lock_guard lock(m_mutex);
        if (address >= 0 && address <= 0xFE) {
            m_cells[address] = text;
        }
    }
    void ApplyMessage(const std::string& text) override {
        std::lock_guard lock(m_mutex);
        m_messages.push_back(text);
    }

  private:
    ControlParameters m_params;
    mutable std::mutex m_mutex;
    std::vector<std::string> m_log;
    std::map<int, std::string> m_cells;
    std::vector<std::string> m_messages;
};
