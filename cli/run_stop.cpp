#include "cli/run_stop.h"

#include <chrono>

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
    m_changed.notify_all();
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

void RunStop::SleepFor(uint32_t ms) {
    std::unique_lock lock(m_mutex);
    m_changed.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_requested.load(); });
}
