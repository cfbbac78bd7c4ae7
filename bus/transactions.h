// The four bus transactions: one host frame, then a timed collection of replies.
#pragma once

#include "bus/operator_console.h"

// Deadlines in milliseconds, counted from the send, from the parameters as they stand.
uint32_t GroupStatusDeadlineMs(const ControlParameters& params);
uint32_t GroupUnlockDeadlineMs(const ControlParameters& params);
uint32_t SingleNodeDeadlineMs(const ControlParameters& params);

void GroupGetStatus(IOperatorConsole& console);
void GroupUnlock(IOperatorConsole& console);
void SingleGetStatus(IOperatorConsole& console);
void SingleUnlock(IOperatorConsole& console);
