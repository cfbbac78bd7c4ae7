#include "acceptance/verdict.h"

#include "res/texts.h"

using res::Text;
using res::TextId;

namespace {

std::vector<Reason> ReasonsOf(const NodeResult& node, const AcceptanceResult& result) {
    const bool feedback = result.request.settings.feedback != 0;
    if (!node.expected || !result.scanned) {
        return {};
    }
    if (node.scanReplies == 0) {
        return {Reason::NoReply};
    }
    std::vector<Reason> reasons;
    if (node.scanReplies > 1) {
        reasons.push_back(Reason::DuplicateAddress);
    }
    if (feedback && node.scanState == LockState::Open) {
        reasons.push_back(Reason::OpenBefore);
    }
    if (node.unlockReply == false) {
        reasons.push_back(Reason::NoUnlockReply);
    }
    if (node.statusReply == false) {
        reasons.push_back(Reason::NoStatusReply);
    }
    if (feedback && node.afterState == LockState::Locked) {
        reasons.push_back(Reason::DidNotOpen);
    }
    if (node.lockedAgain == false) {
        reasons.push_back(Reason::DidNotLockAgain);
    }
    return reasons;
}

// Every step that applies to the node ran to its end.
bool FullyChecked(const NodeResult& node, const AcceptanceSettings& settings) {
    const bool awaitsClosing = settings.closeWaitS > 0 && node.afterState == LockState::Open;
    return node.unlockReply.has_value() && node.statusReply.has_value() &&
           (!awaitsClosing || node.lockedAgain.has_value());
}

Verdict VerdictOf(const NodeResult& node, const AcceptanceSettings& settings) {
    if (!node.expected) {
        return Verdict::Unexpected;
    }
    if (!node.reasons.empty()) {
        return Verdict::Fail;
    }
    // Without feedback no lock state is known, so answering everything proves no door opened.
    if (settings.feedback == 0 || !FullyChecked(node, settings)) {
        return Verdict::Unverified;
    }
    return Verdict::Pass;
}

void Count(AcceptanceSummary& summary, const NodeResult& node) {
    summary.expected += node.expected ? 1 : 0;
    switch (node.verdict) {
        case Verdict::Pass:
            ++summary.passed;
            break;
        case Verdict::Fail:
            ++summary.failed;
            break;
        case Verdict::Unverified:
            ++summary.unverified;
            break;
        case Verdict::Unexpected:
            ++summary.unexpected;
            break;
    }
}

}  // namespace

void JudgeAcceptance(AcceptanceResult& result) {
    const AcceptanceSettings& settings = result.request.settings;
    result.summary = {};
    for (NodeResult& node : result.nodes) {
        node.reasons = ReasonsOf(node, result);
        node.verdict = VerdictOf(node, settings);
        Count(result.summary, node);
    }
    result.passed = result.Complete() && result.summary.expected > 0 &&
                    result.summary.passed == result.summary.expected &&
                    result.summary.unexpected == 0;
}

const char* ReasonCode(Reason reason) {
    switch (reason) {
        case Reason::NoReply:
            return "no-reply";
        case Reason::DuplicateAddress:
            return "duplicate-address";
        case Reason::OpenBefore:
            return "open-before";
        case Reason::NoUnlockReply:
            return "no-unlock-reply";
        case Reason::NoStatusReply:
            return "no-status-reply";
        case Reason::DidNotOpen:
            return "did-not-open";
        case Reason::DidNotLockAgain:
            return "did-not-lock-again";
    }
    return "";
}

const char* ReasonWords(Reason reason) {
    switch (reason) {
        case Reason::NoReply:
            return Text(TextId::ReasonNoReply);
        case Reason::DuplicateAddress:
            return Text(TextId::ReasonDuplicateAddress);
        case Reason::OpenBefore:
            return Text(TextId::ReasonOpenBefore);
        case Reason::NoUnlockReply:
            return Text(TextId::ReasonNoUnlockReply);
        case Reason::NoStatusReply:
            return Text(TextId::ReasonNoStatusReply);
        case Reason::DidNotOpen:
            return Text(TextId::ReasonDidNotOpen);
        case Reason::DidNotLockAgain:
            return Text(TextId::ReasonDidNotLockAgain);
    }
    return "";
}

const char* VerdictCode(Verdict verdict) {
    switch (verdict) {
        case Verdict::Pass:
            return "pass";
        case Verdict::Fail:
            return "fail";
        case Verdict::Unverified:
            return "unverified";
        case Verdict::Unexpected:
            return "unexpected";
    }
    return "";
}

const char* VerdictWords(Verdict verdict) {
    switch (verdict) {
        case Verdict::Pass:
            return Text(TextId::VerdictPass);
        case Verdict::Fail:
            return Text(TextId::VerdictFail);
        case Verdict::Unverified:
            return Text(TextId::VerdictUnverified);
        case Verdict::Unexpected:
            return Text(TextId::VerdictUnexpected);
    }
    return "";
}

const char* ModeCode(AcceptanceMode mode) {
    return mode == AcceptanceMode::Group ? "group" : "each";
}

const char* LockStateText(LockState state) {
    return Text(state == LockState::Locked ? TextId::CellLocked : TextId::CellOpen);
}

std::string SummaryWords(const AcceptanceSummary& s) {
    return res::FormatText(TextId::AcceptanceSummary, s.expected, s.passed, s.failed, s.unverified,
                           s.unexpected);
}
