#include "acceptance/acceptance_run.h"

#include <algorithm>
#include <map>

#include "acceptance/local_time.h"
#include "acceptance/verdict.h"
#include "bus/transaction_loop.h"
#include "bus/transactions.h"
#include "res/texts.h"
#include "serial/serial.h"
#include "serial/tick.h"

namespace {

// A wait between transactions is cut into slices this long, so that a stop ends it soon.
constexpr uint32_t kStopCheckMs = 20;
constexpr uint8_t kHighestNode = 0xFE;

struct Reply {
    uint8_t address;
    uint8_t level;
    uint32_t elapsedMs;
};

// What one transaction found.
struct Exchange {
    std::optional<uint32_t> sentTick;  // empty: the frame did not go out
    std::vector<Reply> replies;

    const Reply* FirstFrom(uint8_t address) const {
        const auto reply = std::find_if(replies.begin(), replies.end(),
                                        [address](const Reply& r) { return r.address == address; });
        return reply == replies.end() ? nullptr : &*reply;
    }
};

using Transaction = TransactionEnd (*)(IOperatorConsole&);

// The operator's console with the run's own control parameters; it records what each
// transaction finds beside the log, which goes on to the operator's console unchanged.
class RunConsole final : public IOperatorConsole {
  public:
    RunConsole(IOperatorConsole& console, const AcceptanceSettings& settings) : m_console(console) {
        m_params.m_bFeedback = settings.feedback;
        m_params.m_nPolarity = settings.polarity;
        m_params.m_nMaxOnTime = settings.maxOnTimeMs;
        m_params.m_nInterval = settings.intervalMs;
    }

    ControlParameters& Parameters() override { return m_params; }
    void AppendLog(const std::string& line) override { m_console.AppendLog(line); }
    void SetStatusCell(int address, const std::string& text) override {
        m_console.SetStatusCell(address, text);
    }
    void ShowMessage(const std::string& text) override { m_console.ShowMessage(text); }
    bool TransactionCancelled() override { return m_console.TransactionCancelled(); }
    void FrameSent(uint32_t sentTick) override { m_exchange.sentTick = sentTick; }
    void ReplyReceived(const ParsedFrame& reply, uint32_t elapsedMs) override {
        m_exchange.replies.push_back({reply.address, reply.param[0], elapsedMs});
    }

    // The end rule compares each reply with maxAddr: the node's own address ends a single-node
    // transaction at its reply instead of at the deadline.
    Exchange Run(Transaction transaction, uint8_t maxAddr, uint8_t node) {
        m_params.m_byMaxAddr = maxAddr;
        m_params.m_bySelAddr = node;
        m_exchange = {};
        transaction(*this);
        return std::move(m_exchange);
    }

  private:
    IOperatorConsole& m_console;
    ControlParameters m_params;
    Exchange m_exchange;
};

class Run {
  public:
    Run(IOperatorConsole& console, const AcceptanceRequest& request,
        const AcceptanceControl& control)
        : m_console(console, request.settings),
          m_operator(console),
          m_settings(request.settings),
          m_control(control) {
        m_result.request = request;
        for (const uint8_t address : request.expected) {
            Node(address).expected = true;
        }
    }

    AcceptanceResult Go() {
        m_result.started = LocalTimeIso8601(std::chrono::system_clock::now());
        m_operator.AppendLog(res::Text(res::TextId::LogAcceptanceStart));
        if (Scan()) {
            ReportProgress();
            const bool checked =
                m_settings.mode == AcceptanceMode::Group ? CheckAtOnce() : CheckOneByOne();
            if (checked) {
                WaitForClosing();
            }
        }
        m_operator.AppendLog(res::Text(m_result.Complete() ? res::TextId::LogAcceptanceEnd
                                                           : res::TextId::LogAcceptanceStopped));
        m_result.finished = LocalTimeIso8601(std::chrono::system_clock::now());
        m_result.nodes.clear();
        for (const auto& [address, node] : m_nodes) {
            m_result.nodes.push_back(node);
        }
        JudgeAcceptance(m_result);
        return m_result;
    }

  private:
    NodeResult& Node(uint8_t address) {
        NodeResult& node = m_nodes[address];
        node.address = address;
        return node;
    }

    std::optional<LockState> StateOf(uint8_t level) const {
        if (m_settings.feedback == 0) {
            return std::nullopt;
        }
        return LevelReadsLocked(m_settings.polarity, level) ? LockState::Locked : LockState::Open;
    }

    // True, with the end recorded, once the run must end before its next transaction.
    bool Stopped() {
        if (m_result.end != AcceptanceEnd::Finished) {
            return true;
        }
        if (SerialHungUp(g_hComm)) {
            m_result.end = AcceptanceEnd::PortGone;
        } else if (m_operator.TransactionCancelled() ||
                   (m_control.stopRequested && m_control.stopRequested())) {
            m_result.end = AcceptanceEnd::Cancelled;
        }
        return m_result.end != AcceptanceEnd::Finished;
    }

    // Runs one transaction; false, with the end recorded, when the run cannot go on. What a
    // transaction cut short found is not used: its silence is not the nodes' fault.
    bool Step(Transaction transaction, uint8_t maxAddr, uint8_t node, Exchange& found) {
        if (Stopped()) {
            return false;
        }
        found = m_console.Run(transaction, maxAddr, node);
        if (Stopped()) {
            return false;
        }
        if (!found.sentTick) {
            m_result.end = AcceptanceEnd::WriteFailed;
            return false;
        }
        return true;
    }

    // Sleeps until `ms` have passed since `since`; false when the run was stopped meanwhile.
    bool WaitUntil(uint32_t since, uint32_t ms) {
        for (;;) {
            if (Stopped()) {
                return false;
            }
            const uint32_t elapsed = TickDiff(TickNow(), since);
            if (elapsed >= ms) {
                return true;
            }
            SleepMs(std::min(ms - elapsed, kStopCheckMs));
        }
    }

    bool Scan() {
        Exchange scan;
        if (!Step(GroupGetStatus, m_settings.maxAddr, 0, scan)) {
            return false;
        }
        for (const Reply& reply : scan.replies) {
            if (reply.address > kHighestNode) {
                continue;
            }
            NodeResult& node = Node(reply.address);
            if (node.scanReplies++ == 0) {
                node.scanReplyMs = reply.elapsedMs;
                node.scanState = StateOf(reply.level);
            }
        }
        for (const auto& [address, node] : m_nodes) {
            if (node.expected && node.scanReplies > 0) {
                m_toTest.push_back(address);
            }
        }
        m_result.scanned = true;
        return true;
    }

    void RecordUnlock(NodeResult& node, const Exchange& unlock) {
        node.unlockReply = unlock.FirstFrom(node.address) != nullptr;
    }

    void RecordQuery(NodeResult& node, const Exchange& query) {
        const Reply* reply = query.FirstFrom(node.address);
        node.statusReply = reply != nullptr;
        if (reply != nullptr) {
            node.afterState = StateOf(reply->level);
        }
    }

    // Each node: its unlock, then its query once its lock has had the longest energising time.
    bool CheckOneByOne() {
        const auto energising = static_cast<uint32_t>(m_settings.maxOnTimeMs);
        for (const uint8_t address : m_toTest) {
            Exchange unlock, query;
            if (!Step(SingleUnlock, address, address, unlock)) {
                return false;
            }
            RecordUnlock(Node(address), unlock);
            if (!WaitUntil(*unlock.sentTick, energising) ||
                !Step(SingleGetStatus, address, address, query)) {
                return false;
            }
            RecordQuery(Node(address), query);
            ++m_done;
            ReportProgress();
        }
        return true;
    }

    // One group unlock, then one poll once the last node's lock has had its full time.
    bool CheckAtOnce() {
        if (m_toTest.empty()) {
            return true;
        }
        const uint8_t highest = *m_result.request.expected.rbegin();
        const uint32_t lastLockDone =
            (highest + 1u) * static_cast<uint32_t>(m_settings.intervalMs) +
            static_cast<uint32_t>(m_settings.maxOnTimeMs);
        Exchange unlock, poll;
        if (!Step(GroupUnlock, highest, 0, unlock) || !WaitUntil(*unlock.sentTick, lastLockDone) ||
            !Step(GroupGetStatus, highest, 0, poll)) {
            return false;
        }
        for (const uint8_t address : m_toTest) {
            RecordUnlock(Node(address), unlock);
            RecordQuery(Node(address), poll);
        }
        m_done = m_toTest.size();
        ReportProgress();
        return true;
    }

    // Polls while a node that opened has not read locked again, no poll later than the wait.
    void WaitForClosing() {
        if (m_settings.closeWaitS == 0) {
            return;
        }
        std::vector<uint8_t> open;
        for (const uint8_t address : m_toTest) {
            if (Node(address).afterState == LockState::Open) {
                open.push_back(address);
            }
        }
        const uint32_t first = TickNow();
        const uint32_t lastStartMs = m_settings.closeWaitS * 1000;
        for (uint32_t startMs = 0;; startMs += kClosePollPeriodMs) {
            Exchange poll;
            if (!WaitUntil(first, startMs) || !Step(GroupGetStatus, m_settings.maxAddr, 0, poll)) {
                return;
            }
            std::erase_if(open, [&](uint8_t address) {
                const Reply* reply = poll.FirstFrom(address);
                const bool locked = reply != nullptr && StateOf(reply->level) == LockState::Locked;
                if (locked) {
                    Node(address).lockedAgain = true;
                }
                return locked;
            });
            if (open.empty() || startMs + kClosePollPeriodMs > lastStartMs) {
                break;
            }
        }
        for (const uint8_t address : open) {
            Node(address).lockedAgain = false;
        }
    }

    void ReportProgress() {
        if (!m_control.progress) {
            return;
        }
        AcceptanceResult sofar = m_result;
        for (const auto& [address, node] : m_nodes) {
            sofar.nodes.push_back(node);
        }
        JudgeAcceptance(sofar);
        m_control.progress({m_done, m_toTest.size(), std::move(sofar.nodes)});
    }

    RunConsole m_console;
    IOperatorConsole& m_operator;
    const AcceptanceSettings& m_settings;
    const AcceptanceControl& m_control;
    AcceptanceResult m_result;
    std::map<uint8_t, NodeResult> m_nodes;
    std::vector<uint8_t> m_toTest;
    std::size_t m_done = 0;
};

}  // namespace

AcceptanceResult RunAcceptance(IOperatorConsole& console, const AcceptanceRequest& request,
                               const AcceptanceControl& control) {
    return Run(console, request, control).Go();
}

AcceptanceResult AcceptanceNotRun(const AcceptanceRequest& request, AcceptanceEnd end) {
    AcceptanceResult result;
    result.request = request;
    result.end = end;
    result.started = result.finished = LocalTimeIso8601(std::chrono::system_clock::now());
    for (const uint8_t address : request.expected) {
        NodeResult node;
        node.address = address;
        node.expected = true;
        result.nodes.push_back(node);
    }
    JudgeAcceptance(result);
    return result;
}

AcceptanceJob::AcceptanceJob(AcceptanceRequest request,
                             std::function<void(const AcceptanceProgress&)> progress)
    : m_request(std::move(request)), m_progress(std::move(progress)) {}

void AcceptanceJob::Run(IOperatorConsole& console) {
    m_result =
        RunAcceptance(console, m_request, {[this] { return m_cancelled.load(); }, m_progress});
    m_done = true;
}
