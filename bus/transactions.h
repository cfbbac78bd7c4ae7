// The four bus transactions: one host frame, then a timed collection of replies.
#pragma once

#include "bus/operator_console.h"

// Deadlines in milliseconds, counted from the send, from the parameters as they stand.
uint32_t GroupStatusDeadlineMs(const ControlParameters& params);
uint32_t GroupUnlockDeadlineMs(const ControlParameters& params);
uint32_t SingleNodeDeadlineMs(const ControlParameters& params);

// How a transaction ended, for whoever runs it: the port's going away ends everything else
// that was to run on it.
enum class TransactionEnd {
    Ended,       // its end line, a refusal, a write error or a cancel: the port is still there
    PortHungUp,  // the port went away (adapter pulled out): the run stopped without an end line
};

TransactionEnd GroupGetStatus(IOperatorConsole& console);
TransactionEnd GroupUnlock(IOperatorConsole& console);
TransactionEnd SingleGetStatus(IOperatorConsole& console);
TransactionEnd SingleUnlock(IOperatorConsole& console);
