// A cabinet's acceptance run: what is asked for, what each node showed, and the verdicts.
// Shared by the run itself, its report writers and the faces that start it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "protocol/address_list.h"

enum class AcceptanceMode {
    Each,   // node by node: one unlock and one query each, so each door opens in turn
    Group,  // one group unlock and one group poll for all
};

// The operator's settings as the run uses them, fixed at its start.
struct AcceptanceSettings {
    uint8_t maxAddr = 0xFE;
    int32_t feedback = 1;
    int32_t polarity = 0;
    int32_t maxOnTimeMs = 500;
    int32_t intervalMs = 50;
    uint32_t closeWaitS = 0;  // 0: no wait for the doors to be shut again
    AcceptanceMode mode = AcceptanceMode::Each;
};

inline constexpr uint32_t kCloseWaitMaxS = 3600;

struct AcceptanceRequest {
    AddressSet expected;
    AcceptanceSettings settings;
    std::string cabinet;       // as the operator typed it
    std::string operatorName;  // as the operator typed it
    std::string port;
    std::string tool;  // the program that ran it, e.g. "velkaro-cli"
};

enum class LockState { Locked, Open };

enum class Verdict { Pass, Fail, Unverified, Unexpected };

enum class Reason {
    NoReply,           // no reply to the scan
    DuplicateAddress,  // two or more replies of its address in the scan
    OpenBefore,        // with feedback, open in the scan
    NoUnlockReply,     // no reply of its address to the unlock
    NoStatusReply,     // no reply of its address to the query after the unlock
    DidNotOpen,        // with feedback, that query read locked
    DidNotLockAgain,   // with a close wait, it opened and never read locked again in time
};

// One node, expected or heard. Empty optionals: the step did not run, or the state is unknown.
struct NodeResult {
    uint8_t address = 0;
    bool expected = false;
    int scanReplies = 0;
    std::optional<LockState> scanState;
    std::optional<uint32_t> scanReplyMs;
    std::optional<bool> unlockReply;
    // Whether the query after the unlock was answered; the state itself needs feedback.
    std::optional<bool> statusReply;
    std::optional<LockState> afterState;
    std::optional<bool> lockedAgain;
    Verdict verdict = Verdict::Unverified;
    std::vector<Reason> reasons;
};

struct AcceptanceSummary {
    int expected = 0;
    int passed = 0;
    int failed = 0;
    int unverified = 0;
    int unexpected = 0;
};

// How the run ended; only Finished makes a complete result.
enum class AcceptanceEnd {
    Finished,
    Cancelled,    // stopped by the operator, or the console went away
    PortGone,     // the port hung up (adapter pulled out)
    WriteFailed,  // a frame could not be sent
};

struct AcceptanceResult {
    AcceptanceRequest request;
    std::string started;   // local time with its UTC offset, ISO 8601
    std::string finished;  // likewise
    AcceptanceEnd end = AcceptanceEnd::Finished;
    // The scan ran to its end; before that a node's silence tells nothing.
    bool scanned = false;
    std::vector<NodeResult> nodes;  // address order: every node expected or heard
    AcceptanceSummary summary;
    bool passed = false;

    bool Complete() const { return end == AcceptanceEnd::Finished; }
};

// Reported after the scan (done 0) and whenever a node's unlock check is done, on the thread
// that runs the transactions. `nodes` holds every node so far, verdicts as they stand.
struct AcceptanceProgress {
    std::size_t done = 0;
    std::size_t total = 0;  // the nodes to test: expected ones that answered the scan
    std::vector<NodeResult> nodes;
};
