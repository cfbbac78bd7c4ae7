#include "worker/port_worker.h"

#include <algorithm>
#include <mutex>
#include <thread>
#include <vector>

#include "bus/transactions.h"
#include "record/bus_trace.h"
#include "res/texts.h"
#include "serial/serial.h"

std::atomic<uint32_t> g_bReqGroupStatus{0};
std::atomic<uint32_t> g_bReqGroupUnlock{0};
std::atomic<uint32_t> g_bReqSingleUnlock{0};
std::atomic<uint32_t> g_bReqSingleStatus{0};
std::atomic<uint32_t> g_bReqAcceptance{0};
std::atomic<uint32_t> g_bStopWorker{0};
std::atomic<uint32_t> g_bWorkerEnded{0};
std::atomic<PortWorkerHost*> g_pMainDlg{nullptr};

namespace {

constexpr uint32_t kPortBaudRate = 115200;
constexpr uint8_t kPortByteSize = 8;

// Only one worker at a time may open or hold the port, opening included.
std::atomic<bool> g_workerRunning{false};
// From the worker's asking the console to show the port open until it closes the port.
std::atomic<bool> g_portShownOpen{false};
// From the worker's finding its port hung up until the next start.
std::atomic<bool> g_portWentAway{false};

// Wakes the worker when a request or the stop arrives, and whoever waits on the worker when
// it makes progress, so that neither side polls. The idle worker also wakes when its port
// hangs up (a pulled adapter raises no request).
class Signal {
  public:
    void Raise() {
        {
            std::lock_guard lock(m_mutex);
            // Under the lock, so that a listener that has left is called no more.
            for (const WorkerProgressListener* listener : m_listeners) {
                listener->Notify();
            }
        }
        m_idle.Wake();
    }
    // True when the port hung up; otherwise something was raised since the last wait.
    bool WaitIdle(SerialHandle port) { return m_idle.Wait(port); }
    void Listen(const WorkerProgressListener* listener) {
        std::lock_guard lock(m_mutex);
        m_listeners.push_back(listener);
    }
    void Leave(const WorkerProgressListener* listener) {
        std::lock_guard lock(m_mutex);
        std::erase(m_listeners, listener);
    }

  private:
    std::mutex m_mutex;
    std::vector<const WorkerProgressListener*> m_listeners;
    SerialIdleWait m_idle;
};

Signal& WorkerSignal() {
    // Never destroyed: the detached worker may still be notifying while the process exits.
    static Signal* const signal = new Signal;
    return *signal;
}

// The acceptance run handed over with g_bReqAcceptance.
std::mutex g_acceptanceMutex;
std::shared_ptr<AcceptanceJob> g_acceptanceJob;

struct Request {
    std::atomic<uint32_t>& flag;
    TransactionEnd (*transaction)(IOperatorConsole&);
};

bool KeepsDispatching() {
    return g_bStopWorker == 0 && !g_portWentAway;
}

void RunAcceptanceJob(PortWorkerHost& host) {
    std::shared_ptr<AcceptanceJob> job;
    {
        std::lock_guard lock(g_acceptanceMutex);
        job = std::move(g_acceptanceJob);
    }
    if (job) {
        host.SetTransactionRunning(true);
        job->Run(host);
        // A run the port's going away ended says so in its own result; the worker closes.
        if (SerialHungUp(g_hComm)) {
            g_portWentAway = true;
        }
        host.SetTransactionRunning(false);
    }
    g_bReqAcceptance = 0;
    WorkerSignal().Raise();
}

// One pass over the flags in their fixed order; a flag is cleared only after its transaction
// has returned, so a press during the run finds it set and is absorbed. True if any ran. Once
// the port has gone away nothing more runs on it.
bool RunRequestedTransactions(PortWorkerHost& host) {
    const Request requests[] = {
        {g_bReqGroupStatus, GroupGetStatus},
        {g_bReqGroupUnlock, GroupUnlock},
        {g_bReqSingleUnlock, SingleUnlock},
        {g_bReqSingleStatus, SingleGetStatus},
    };
    bool ran = false;
    for (const Request& request : requests) {
        if (request.flag == 0 || host.TransactionCancelled() || g_portWentAway) {
            continue;
        }
        host.SetTransactionRunning(true);
        if (request.transaction(host) == TransactionEnd::PortHungUp) {
            g_portWentAway = true;
        }
        FlushBusTrace();
        host.SetTransactionRunning(false);
        request.flag = 0;
        WorkerSignal().Raise();
        ran = true;
    }
    if (g_bReqAcceptance != 0 && !host.TransactionCancelled() && !g_portWentAway) {
        RunAcceptanceJob(host);
        ran = true;
    }
    return ran;
}

// Until a stop is asked for or the port goes away, transaction or idle.
void DispatchUntilStoppedOrGone(PortWorkerHost& host) {
    while (KeepsDispatching()) {
        if (!RunRequestedTransactions(host) && KeepsDispatching() &&
            WorkerSignal().WaitIdle(g_hComm)) {
            g_portWentAway = true;
        }
    }
}

uint32_t EndWorker(uint32_t exitCode) {
    g_workerRunning = false;
    WorkerSignal().Raise();
    return exitCode;
}

}  // namespace

uint32_t PortWorkerThread(void* /*param*/) {
    PortWorkerHost& host = *g_pMainDlg.load();
    g_hComm = SerialOpen(host.PortName(), kPortBaudRate, kPortByteSize, kSerialParityNone,
                         kSerialOneStopBit);
    if (g_hComm == kInvalidSerialHandle) {
        host.ShowMessage(res::Text(res::TextId::MsgOpenFailed));
        return EndWorker(0);
    }
    WorkerSignal().Raise();
    host.SetOpenButtonCaption(res::Text(res::TextId::ClosePortButton));
    host.AppendLog(res::Text(res::TextId::LogPortOpened));
    g_portShownOpen = true;
    WorkerSignal().Raise();

    DispatchUntilStoppedOrGone(host);
    const bool portGone = g_portWentAway;
    if (portGone) {
        host.AppendLog(res::Text(res::TextId::LogPortGone));
    }

    g_portShownOpen = false;
    SerialClose(g_hComm);
    g_hComm = kInvalidSerialHandle;
    host.SetOpenButtonCaption(res::Text(res::TextId::OpenPortButton));
    host.AppendLog(res::Text(res::TextId::LogPortClosed));
    if (portGone) {
        // What was asked of the port that went away is not run on the next one.
        ClearRequests();
        host.ShowMessage(res::Text(res::TextId::MsgPortGone));
    }
    g_bWorkerEnded = 1;
    return EndWorker(1);
}

void RaiseRequest(std::atomic<uint32_t>& flag) {
    if (flag == 0) {
        flag = 1;
    }
    WorkerSignal().Raise();
}

bool RequestAcceptanceRun(std::shared_ptr<AcceptanceJob> job) {
    {
        std::lock_guard lock(g_acceptanceMutex);
        if (g_bReqAcceptance != 0) {
            return false;
        }
        g_acceptanceJob = std::move(job);
        g_bReqAcceptance = 1;
    }
    WorkerSignal().Raise();
    return true;
}

void StartPortWorker(PortWorkerHost* host) {
    bool idle = false;
    if (!g_workerRunning.compare_exchange_strong(idle, true)) {
        return;
    }
    g_pMainDlg = host;
    g_bStopWorker = 0;
    g_portWentAway = false;
    std::thread(PortWorkerThread, nullptr).detach();
}

void StopPortWorker(PortWorkerHost& host) {
    g_bWorkerEnded = 0;
    g_bStopWorker = 1;
    WorkerSignal().Raise();
    // Waits for the worker's very last step too, so that a press right after may start anew;
    // a worker that ended by itself (its port went away) has nothing left to wait for.
    host.ServeUntil([] { return !g_workerRunning; });
}

void ClearRequests() {
    for (std::atomic<uint32_t>* flag : {&g_bReqGroupStatus, &g_bReqGroupUnlock, &g_bReqSingleUnlock,
                                        &g_bReqSingleStatus, &g_bReqAcceptance}) {
        *flag = 0;
    }
}

bool PortWentAway() {
    return g_portWentAway;
}

bool PortWorkerRunning() {
    return g_workerRunning;
}

bool PortShownOpen() {
    return g_portShownOpen;
}

WorkerProgressListener::WorkerProgressListener(std::function<void()> notify)
    : m_notify(std::move(notify)) {
    WorkerSignal().Listen(this);
}

WorkerProgressListener::~WorkerProgressListener() {
    WorkerSignal().Leave(this);
}

std::string PortWorkerHost::PortName() {
    std::string name;
    CallShown([this, &name] { name = ReadPortName(); });
    return name;
}

void PortWorkerHost::SetOpenButtonCaption(const std::string& caption) {
    PostShown([this, caption] { ApplyOpenButtonCaption(caption); });
}

void PortWorkerHost::SetTransactionRunning(bool running) {
    PostShown([this, running] { ApplyTransactionRunning(running); });
}

void PortWorkerHost::ServeUntil(const std::function<bool()>& done) {
    ServeQueueUntil(done, ConsoleQueue::Clock::time_point::max());
}

bool PortWorkerHost::ServeQueueUntil(const std::function<bool()>& done,
                                     ConsoleQueue::Clock::time_point deadline) {
    const WorkerProgressListener progress([this] { Queue().Nudge(); });
    return Queue().ServeUntil(done, deadline);
}

void NotifyWorkerWaiters() {
    WorkerSignal().Raise();
}
