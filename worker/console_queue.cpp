#include "worker/console_queue.h"

#include <future>
#include <memory>

ConsoleQueue::ConsoleQueue() : m_consumer(std::this_thread::get_id()) {}

void ConsoleQueue::Post(Operation op) {
    if (OnConsumerThread()) {
        RunPending();
        op();
        return;
    }
    bool wake = false;
    {
        std::lock_guard lock(m_mutex);
        m_pending.push_back(std::move(op));
        wake = !m_wakePending;
        m_wakePending = true;
    }
    if (wake) {
        WakeConsumer();
    }
}

void ConsoleQueue::Call(Operation op) {
    // Shared with the queued operation: should the queue drop it unrun, the promise goes with
    // it and the wait ends all the same.
    auto ran = std::make_shared<std::promise<void>>();
    std::future<void> done = ran->get_future();
    Post([op = std::move(op), ran = std::move(ran)] {
        op();
        ran->set_value();
    });
    done.wait();
}

bool ConsoleQueue::PopFront(Operation& op) {
    std::lock_guard lock(m_mutex);
    if (m_pending.empty()) {
        // The consumer goes idle: the next post has to wake it.
        m_wakePending = false;
        return false;
    }
    op = std::move(m_pending.front());
    m_pending.pop_front();
    return true;
}

bool ConsoleQueue::RunPending() {
    // One at a time, so that an operation that runs a nested event loop (a message box) lets
    // a nested RunPending() go on with the next ones in order.
    bool ran = false;
    for (Operation op; PopFront(op);) {
        op();
        ran = true;
    }
    return ran;
}

void ConsoleQueue::SetWakeUp(std::function<void()> wakeUp) {
    m_wakeUp = std::move(wakeUp);
}

void ConsoleQueue::Nudge() {
    {
        std::lock_guard lock(m_mutex);
        m_nudged = true;
    }
    WakeConsumer();
}

void ConsoleQueue::WakeConsumer() {
    m_woken.notify_all();
    if (m_wakeUp) {
        m_wakeUp();
    }
}

void ConsoleQueue::WaitForWork(Clock::time_point deadline) {
    std::unique_lock lock(m_mutex);
    m_woken.wait_until(lock, deadline, [this] { return m_nudged || !m_pending.empty(); });
    m_nudged = false;
}

bool ConsoleQueue::ServeUntil(const std::function<bool()>& done, Clock::time_point deadline) {
    for (;;) {
        // Looked at before the run, so that what was queued before done() held is shown.
        const bool finished = done();
        const bool ran = RunPending();
        if (finished) {
            return true;
        }
        if (ran) {
            continue;  // what ran may have made done() true
        }
        if (Clock::now() >= deadline) {
            return false;
        }
        WaitForWork(deadline);
    }
}

void QueuedConsole::PostShown(std::function<void()> show) {
    m_queue.Post([this, show = std::move(show)] {
        if (CanShow()) {
            show();
        }
    });
}

void QueuedConsole::CallShown(std::function<void()> show) {
    m_queue.Call([this, show = std::move(show)] {
        if (CanShow()) {
            show();
        }
    });
}

void QueuedConsole::AppendLog(const std::string& line) {
    PostShown([this, line = LogLine{WallClock::now(), line}] { ApplyLogLine(line); });
}

void QueuedConsole::SetStatusCell(int address, const std::string& text) {
    PostShown([this, address, text] { ApplyStatusCell(address, text); });
}

void QueuedConsole::ShowMessage(const std::string& text) {
    CallShown([this, &text] { ApplyMessage(text); });
}
