// An early end of a run, asked for by a stop signal or by output that cannot be written: the
// running transaction is cancelled, the remaining operations are skipped, the port is closed
// through the normal stop, and the run ends with the status asked for. The first request wins.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

class RunStop {
  public:
    // From any thread.
    void Request(int exitStatus, const std::string& reason);

    bool Requested() const { return m_requested; }
    int ExitStatus() const;
    std::string Reason() const;

  private:
    mutable std::mutex m_mutex;
    std::atomic<bool> m_requested{false};
    int m_exitStatus = 0;
    std::string m_reason;
};
