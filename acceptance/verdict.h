// Verdicts of an acceptance run, from what the nodes showed.
#pragma once

#include <string>

#include "acceptance/acceptance.h"

// Sets every node's verdict and reasons, the summary and the run's result. A node whose checks
// a stopped run did not reach is unverified, and a run that did not finish never passes.
void JudgeAcceptance(AcceptanceResult& result);

// The codes and words the reports use: "no-reply", "无应答" and so on.
const char* ReasonCode(Reason reason);
const char* ReasonWords(Reason reason);
const char* VerdictCode(Verdict verdict);
const char* VerdictWords(Verdict verdict);
const char* ModeCode(AcceptanceMode mode);
// "预期节点 8，合格 6，不合格 2，未验证 0，非预期节点 0": the summary in words.
std::string SummaryWords(const AcceptanceSummary& summary);
// "闭" or "开", as the node table shows them.
const char* LockStateText(LockState state);
