// The port worker: one thread that opens and owns the serial port, runs the transactions the
// operator requests through four flags, and closes the port when told to stop.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "bus/operator_console.h"

extern std::atomic<uint32_t> g_bReqGroupStatus;
extern std::atomic<uint32_t> g_bReqGroupUnlock;
extern std::atomic<uint32_t> g_bReqSingleUnlock;
extern std::atomic<uint32_t> g_bReqSingleStatus;
extern std::atomic<uint32_t> g_bStopWorker;
extern std::atomic<uint32_t> g_bWorkerEnded;

// The window side of the worker: the console of the transactions plus the two controls the
// worker itself touches.
class IPortWorkerHost : public IOperatorConsole {
  public:
    // Text of the port list: the selected port name, empty when none is selected.
    virtual std::string PortName() = 0;
    virtual void SetOpenButtonCaption(const std::string& caption) = 0;
    // Keeps serving the worker's window operations until done() holds; the stop branch's wait.
    virtual void ServeUntil(const std::function<bool()>& done) = 0;
};

extern std::atomic<IPortWorkerHost*> g_pMainDlg;

// Thread procedure: 0 when the port failed to open, 1 after an orderly stop.
uint32_t PortWorkerThread(void* param);

// Sets a request flag over a 0 (a set flag stays set) and wakes the worker.
void RaiseRequest(std::atomic<uint32_t>& flag);

// The two branches of the open button. Start returns at once; it starts nothing while a
// worker is still running (opening, say). Stop returns once the worker has closed the port.
void StartPortWorker(IPortWorkerHost* host);
void StopPortWorker(IPortWorkerHost& host);

// True from the start branch until the worker's last step, opening included.
bool PortWorkerRunning();

// Blocks the caller until done() holds, woken whenever the worker makes progress (a port
// opened, a flag cleared, the worker ended); returns done() after at most timeoutMs.
bool WaitWorkerProgress(const std::function<bool()>& done, uint32_t timeoutMs);
// Wakes whoever waits in WaitWorkerProgress to test its condition again: for conditions that
// change outside the worker (a stop asked for from outside the program).
void NotifyWorkerWaiters();
