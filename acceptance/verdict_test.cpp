// Verdicts from what the nodes showed, without a bus.
#include "acceptance/verdict.h"

#include <gtest/gtest.h>

#include "acceptance/acceptance_run.h"

namespace {

using Reasons = std::vector<Reason>;

// An expected node that answered everything and opened.
NodeResult GoodNode(uint8_t address = 0x00) {
    NodeResult node;
    node.address = address;
    node.expected = true;
    node.scanReplies = 1;
    node.scanState = LockState::Locked;
    node.scanReplyMs = 3;
    node.unlockReply = true;
    node.statusReply = true;
    node.afterState = LockState::Open;
    return node;
}

AcceptanceResult Judged(std::vector<NodeResult> nodes, AcceptanceSettings settings = {},
                        AcceptanceEnd end = AcceptanceEnd::Finished) {
    AcceptanceResult result;
    result.request.settings = settings;
    result.end = end;
    result.scanned = true;
    result.nodes = std::move(nodes);
    JudgeAcceptance(result);
    return result;
}

TEST(AcceptanceVerdict, EachFindingGivesItsReason) {
    const struct {
        const char* name;
        std::function<void(NodeResult&)> change;
        Reasons reasons;
    } cases[] = {
        {"all well", [](NodeResult&) {}, {}},
        {"silent in the scan",
         [](NodeResult& n) {
             n = NodeResult{};
             n.expected = true;
         },
         {Reason::NoReply}},
        {"two replies", [](NodeResult& n) { n.scanReplies = 2; }, {Reason::DuplicateAddress}},
        {"open before", [](NodeResult& n) { n.scanState = LockState::Open; }, {Reason::OpenBefore}},
        {"no unlock reply", [](NodeResult& n) { n.unlockReply = false; }, {Reason::NoUnlockReply}},
        {"no status reply",
         [](NodeResult& n) {
             n.statusReply = false;
             n.afterState.reset();
         },
         {Reason::NoStatusReply}},
        {"did not open",
         [](NodeResult& n) { n.afterState = LockState::Locked; },
         {Reason::DidNotOpen}},
        {"did not lock again",
         [](NodeResult& n) { n.lockedAgain = false; },
         {Reason::DidNotLockAgain}},
        {"several at once",
         [](NodeResult& n) {
             n.scanReplies = 3;
             n.unlockReply = false;
             n.afterState = LockState::Locked;
         },
         {Reason::DuplicateAddress, Reason::NoUnlockReply, Reason::DidNotOpen}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        NodeResult node = GoodNode();
        c.change(node);
        const AcceptanceResult result = Judged({node});
        EXPECT_EQ(result.nodes[0].reasons, c.reasons);
        EXPECT_EQ(result.nodes[0].verdict, c.reasons.empty() ? Verdict::Pass : Verdict::Fail);
        EXPECT_EQ(result.passed, c.reasons.empty());
    }
}

TEST(AcceptanceVerdict, WithoutFeedbackAnAnsweringNodeIsUnverifiedNeverPass) {
    AcceptanceSettings noFeedback;
    noFeedback.feedback = 0;
    NodeResult node = GoodNode();
    node.scanState.reset();
    node.afterState.reset();
    NodeResult silent = GoodNode(0x01);
    silent.unlockReply = false;
    const AcceptanceResult result = Judged({node, silent}, noFeedback);
    EXPECT_EQ(result.nodes[0].verdict, Verdict::Unverified);
    EXPECT_TRUE(result.nodes[0].reasons.empty());
    EXPECT_EQ(result.nodes[1].verdict, Verdict::Fail);
    EXPECT_FALSE(result.passed);
    EXPECT_EQ(result.summary.unverified, 1);
    EXPECT_EQ(result.summary.failed, 1);
}

TEST(AcceptanceVerdict, AnUnexpectedNodeFailsTheRunButHasNoReasons) {
    NodeResult stranger;
    stranger.address = 0x20;
    stranger.scanReplies = 1;
    const AcceptanceResult result = Judged({GoodNode(), stranger});
    EXPECT_EQ(result.nodes[1].verdict, Verdict::Unexpected);
    EXPECT_TRUE(result.nodes[1].reasons.empty());
    EXPECT_EQ(result.summary.expected, 1);
    EXPECT_EQ(result.summary.passed, 1);
    EXPECT_EQ(result.summary.unexpected, 1);
    EXPECT_FALSE(result.passed);
}

TEST(AcceptanceVerdict, AStoppedRunLeavesUncheckedNodesUnverifiedAndNeverPasses) {
    NodeResult unreached = GoodNode(0x01);
    unreached.unlockReply.reset();
    unreached.statusReply.reset();
    unreached.afterState.reset();
    const AcceptanceResult result = Judged({GoodNode(), unreached}, {}, AcceptanceEnd::PortGone);
    EXPECT_EQ(result.nodes[0].verdict, Verdict::Pass);
    EXPECT_EQ(result.nodes[1].verdict, Verdict::Unverified);
    EXPECT_FALSE(result.passed);
}

TEST(AcceptanceVerdict, BeforeTheScanHasEndedNoSilenceCounts) {
    AcceptanceRequest request;
    request.expected = {0x00, 0x01};
    const AcceptanceResult result = AcceptanceNotRun(request, AcceptanceEnd::Cancelled);
    ASSERT_EQ(result.nodes.size(), 2u);
    for (const NodeResult& node : result.nodes) {
        EXPECT_EQ(node.verdict, Verdict::Unverified);
        EXPECT_TRUE(node.reasons.empty());
    }
    EXPECT_EQ(result.summary.unverified, 2);
    EXPECT_FALSE(result.passed);
}

TEST(AcceptanceVerdict, ACloseWaitNeedsTheOpenedNodeToLockAgain) {
    AcceptanceSettings closeWait;
    closeWait.closeWaitS = 10;
    NodeResult lockedAgain = GoodNode();
    lockedAgain.lockedAgain = true;
    NodeResult notYetPolled = GoodNode(0x01);  // the run stopped before the close polls
    const AcceptanceResult result = Judged({lockedAgain, notYetPolled}, closeWait);
    EXPECT_EQ(result.nodes[0].verdict, Verdict::Pass);
    EXPECT_EQ(result.nodes[1].verdict, Verdict::Unverified);
}

TEST(AcceptanceVerdict, CodesAndWordsOfEveryReason) {
    const std::pair<Reason, const char*> codes[] = {
        {Reason::NoReply, "no-reply"},
        {Reason::DuplicateAddress, "duplicate-address"},
        {Reason::OpenBefore, "open-before"},
        {Reason::NoUnlockReply, "no-unlock-reply"},
        {Reason::NoStatusReply, "no-status-reply"},
        {Reason::DidNotOpen, "did-not-open"},
        {Reason::DidNotLockAgain, "did-not-lock-again"},
    };
    for (const auto& [reason, code] : codes) {
        EXPECT_STREQ(ReasonCode(reason), code);
        EXPECT_GT(std::string(ReasonWords(reason)).size(), 0u) << code;
    }
}

}  // namespace
