// The console's side of a transaction: log lines, status cells and message boxes go into an
// ordered queue that the console's own thread drains, so that the bus never waits for a slow
// consumer (a busy window, a terminal over a slow link, a pipe into a slow script).
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "bus/operator_console.h"
#include "record/log_line.h"

// The queue has no limit. Its only producer is the port worker, whose lines come from the bus:
// at 115200 baud at most 11,520 bytes a second arrive, that is at most 2,304 five-byte frames
// and so about 11,500 operations a second (four lines and a cell per frame), and every
// transaction ends within its deadline (at most 1480 ms of replies for a poll). The consumers
// start no new transaction while they are behind, except the window, whose thread takes a line
// in a few microseconds. A stalled consumer therefore holds at most one transaction's output,
// some 17,000 operations or a few megabytes.
class ConsoleQueue {
  public:
    using Operation = std::function<void()>;
    using Clock = std::chrono::steady_clock;

    // The constructing thread is the consumer: the one that runs the operations.
    ConsoleQueue();
    ConsoleQueue(const ConsoleQueue&) = delete;
    ConsoleQueue& operator=(const ConsoleQueue&) = delete;

    // Queues op and returns at once. On the consumer's thread op runs at once, after what is
    // queued, so that the order of the calls holds.
    void Post(Operation op);
    // Queues op and returns once the consumer has run it (or the queue has gone with it).
    void Call(Operation op);
    // On the consumer's thread: runs the queued operations in call order until none is left.
    // True when it ran any.
    bool RunPending();

    // Called on the posting thread when the queue turns non-empty (once, until the consumer
    // has run it dry) and at each Nudge(): an event loop schedules a RunPending() on the
    // consumer's thread. Set it before any other thread posts. The window sets it in
    // CVelkaroDlg's constructor (ScheduleRunPending, which posts a RunPending to the window's
    // thread); the command line and the tests set none and call ServeUntil instead.
    void SetWakeUp(std::function<void()> wakeUp);
    // Wakes the consumer, so that it looks at what it waits for again.
    void Nudge();
    // For a consumer without an event loop, on its thread: runs the operations as they come
    // until done() holds, then those still queued. done() is looked at after each operation
    // and each nudge, so whatever else makes it true must nudge. False when the deadline
    // passed first.
    bool ServeUntil(const std::function<bool()>& done,
                    Clock::time_point deadline = Clock::time_point::max());

  private:
    bool OnConsumerThread() const { return std::this_thread::get_id() == m_consumer; }
    bool PopFront(Operation& op);
    void WakeConsumer();
    void WaitForWork(Clock::time_point deadline);

    const std::thread::id m_consumer;
    std::mutex m_mutex;
    std::condition_variable m_woken;
    std::deque<Operation> m_pending;
    bool m_wakePending = false;
    bool m_nudged = false;
    std::function<void()> m_wakeUp;
};

// An operator console whose calls go through a ConsoleQueue: the transactions' thread posts,
// the console's thread applies. The message box is the one call that waits.
class QueuedConsole : public IOperatorConsole {
  public:
    void AppendLog(const std::string& line) final;
    void SetStatusCell(int address, const std::string& text) final;
    void ShowMessage(const std::string& text) final;

    ConsoleQueue& Queue() { return m_queue; }
    void RunPending() { m_queue.RunPending(); }

  protected:
    // Run on the console's thread, in call order, while CanShow() holds. A log line carries
    // the time the transaction produced it, not the time it is shown.
    virtual void ApplyLogLine(const LogLine& line) = 0;
    virtual void ApplyStatusCell(int address, const std::string& text) = 0;
    virtual void ApplyMessage(const std::string& text) = 0;
    // False once the console's window is gone: what is still queued is dropped then.
    virtual bool CanShow() const { return true; }

    // Queues show() to run on the console's thread while it can show anything.
    void PostShown(std::function<void()> show);
    void CallShown(std::function<void()> show);

  private:
    ConsoleQueue m_queue;
};
