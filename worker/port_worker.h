// The port worker: one thread that opens and owns the serial port, runs the transactions the
// operator requests through four flags, and closes the port when told to stop.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "acceptance/acceptance_run.h"

#include "worker/console_queue.h"

extern std::atomic<uint32_t> g_bReqGroupStatus;
extern std::atomic<uint32_t> g_bReqGroupUnlock;
extern std::atomic<uint32_t> g_bReqSingleUnlock;
extern std::atomic<uint32_t> g_bReqSingleStatus;
// The fifth request, after the four in the fixed order: an acceptance run.
extern std::atomic<uint32_t> g_bReqAcceptance;
extern std::atomic<uint32_t> g_bStopWorker;
extern std::atomic<uint32_t> g_bWorkerEnded;

// The window side of the worker: the console of the transactions plus the two controls the
// worker itself touches, all through the console's queue. The worker also says when a
// transaction starts and ends, in order with its lines, so that a window can show it is busy.
class PortWorkerHost : public QueuedConsole {
  public:
    // Text of the port list: the selected port name, empty when none is selected. Waits for
    // the console's thread.
    std::string PortName();
    void SetOpenButtonCaption(const std::string& caption);
    void SetTransactionRunning(bool running);

    // On the console's thread: serves the queue until done() holds, then shows what is still
    // queued; the stop branch's wait. This one blocks the thread (ServeQueueUntil); a window
    // keeps handling its events instead.
    virtual void ServeUntil(const std::function<bool()>& done);
    // Blocks the thread, serving the queue, until done() holds, then shows what is still
    // queued. done() is looked at again whenever the worker makes progress or an operation
    // comes. False when the deadline passed first.
    bool ServeQueueUntil(const std::function<bool()>& done,
                         ConsoleQueue::Clock::time_point deadline);

  protected:
    virtual std::string ReadPortName() = 0;
    virtual void ApplyOpenButtonCaption(const std::string& caption) = 0;
    // A console without a pointer to show it on has nothing to do here.
    virtual void ApplyTransactionRunning(bool /*running*/) {}
};

extern std::atomic<PortWorkerHost*> g_pMainDlg;

// Thread procedure: 0 when the port failed to open, 1 after an orderly stop.
uint32_t PortWorkerThread(void* param);

// Sets a request flag over a 0 (a set flag stays set) and wakes the worker.
void RaiseRequest(std::atomic<uint32_t>& flag);

// Hands an acceptance run to the worker as the fifth request: it runs after the transactions
// of the four flags tested earlier in the same pass, and the flag clears once it has returned
// (job->Done() holds by then). False, with nothing handed over, while a run is still requested.
bool RequestAcceptanceRun(std::shared_ptr<AcceptanceJob> job);

// The two branches of the open button. Start returns at once; it starts nothing while a
// worker is still running (opening, say). Stop returns once the worker has closed the port,
// at once when it has already ended by itself.
void StartPortWorker(PortWorkerHost* host);
void StopPortWorker(PortWorkerHost& host);

// True from the start branch until the worker's last step, opening included.
bool PortWorkerRunning();
// True once the worker found its port hung up (adapter pulled out), until the next start. The
// worker then ends by itself: it logs "[串口已断开]" after what the running transaction logged
// (which writes no end line), closes the port as a stop does, clears the request flags unrun
// and shows one message box, "串口已断开", before its last step.
bool PortWentAway();
// Clears the request flags, so that nothing asked for runs on a later opening.
void ClearRequests();
// True once the worker holds the port and has queued the caption and the log line that show
// it open, until it closes the port. A console that serves its queue until this holds has
// shown the open before anything else happens on the port.
bool PortShownOpen();

// Wakes whoever waits on the worker (ServeUntil) to look at its condition again: for
// conditions that change outside the worker (a stop asked for from outside the program).
void NotifyWorkerWaiters();

// While it lives, notify() is called at each step of the worker's progress (a port opened, a
// request taken or done, the worker ended), mostly on the worker's thread; once it is
// destroyed it is called no more.
class WorkerProgressListener {
  public:
    explicit WorkerProgressListener(std::function<void()> notify);
    ~WorkerProgressListener();
    WorkerProgressListener(const WorkerProgressListener&) = delete;
    WorkerProgressListener& operator=(const WorkerProgressListener&) = delete;

    void Notify() const { m_notify(); }

  private:
    std::function<void()> m_notify;
};
