// The send-then-collect loop that all four transactions share.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "bus/operator_console.h"
#include "bus/transactions.h"
#include "protocol/frame.h"

struct TransactionPlan {
    HostFrame frame;
    std::vector<std::string> announcement;
    // Evaluated after the send, so that it reads the parameters at that moment.
    std::function<uint32_t()> deadlineMs;
    bool writesStatusCells;
    std::string endLine;
};

TransactionEnd RunTransaction(IOperatorConsole& console, const TransactionPlan& plan);

// Text of a node's status cell for a status reply.
std::string StatusCellText(int32_t feedback, int32_t polarity, uint8_t level,
                           const std::string& parsedLine);

// Whether a status reply's lock level reads locked with the feedback polarity `polarity`.
bool LevelReadsLocked(int32_t polarity, uint8_t level);

// "->串口发送:A5,FF,..." with the frame's bytes as two upper-case digits each.
std::string SendLine(const HostFrame& frame);
