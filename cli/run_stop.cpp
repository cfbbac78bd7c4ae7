#include "cli/run_stop.h"

#include "worker/port_worker.h"

void RunStop::Request(int exitStatus, const std::string& reason) {
    {
        const std::lock_guard lock(m_mutex);
        if (m_requested) {
            return;
        }
        m_exitStatus = exitStatus;
        m_reason = reason;
        m_requested = true;
    }
    // A run waiting for a request the worker will now skip must see the stop.
    NotifyWorkerWaiters();
}

int RunStop::ExitStatus() const {
    const std::lock_guard lock(m_mutex);
    return m_exitStatus;
}

std::string RunStop::Reason() const {
    const std::lock_guard lock(m_mutex);
    return m_reason;
}
