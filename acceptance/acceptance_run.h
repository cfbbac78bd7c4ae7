// The acceptance run: a scan, an unlock and a check of every expected node, optionally a wait
// for the doors to be shut again, all through the four bus transactions. It runs on the port
// worker's thread like any transaction (see RequestAcceptanceRun in worker/port_worker.h).
#pragma once

#include <atomic>
#include <functional>
#include <mutex>

#include "acceptance/acceptance.h"
#include "bus/operator_console.h"

// Polls while the doors are being shut, start to start.
inline constexpr uint32_t kClosePollPeriodMs = 2000;

struct AcceptanceControl {
    // Looked at between transactions and during the waits: true ends the run, incomplete.
    std::function<bool()> stopRequested;
    // After the scan and after each node's check.
    std::function<void(const AcceptanceProgress&)> progress;
};

// Runs the whole acceptance on the open port g_hComm. The transactions log through `console`
// and write its status cells as they always do; the run uses settings of its own, so the
// console's control parameters stay as the operator left them.
AcceptanceResult RunAcceptance(IOperatorConsole& console, const AcceptanceRequest& request,
                               const AcceptanceControl& control = {});

// The result of a run stopped before its turn came: every expected node unverified.
AcceptanceResult AcceptanceNotRun(const AcceptanceRequest& request, AcceptanceEnd end);

// A run handed to the port worker: the face keeps it, the worker runs it, the face reads the
// result once Done() holds.
class AcceptanceJob {
  public:
    explicit AcceptanceJob(AcceptanceRequest request,
                           std::function<void(const AcceptanceProgress&)> progress = {});

    // From any thread: the run ends before its next transaction, its result incomplete.
    void Cancel() { m_cancelled = true; }
    // On the port worker's thread.
    void Run(IOperatorConsole& console);

    bool Done() const { return m_done; }
    // Once Done() holds.
    const AcceptanceResult& Result() const { return m_result; }

  private:
    AcceptanceRequest m_request;
    std::function<void(const AcceptanceProgress&)> m_progress;
    std::atomic<bool> m_cancelled{false};
    std::atomic<bool> m_done{false};
    AcceptanceResult m_result;
};
