// What a bus transaction needs of the operator's console: the window, the command line and
// the tests each provide one. Calls come from the port worker thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "protocol/reply_parser.h"

// The operator's control parameters. Written by the console's thread, read by the
// transactions at the steps where they need them, so each is a whole atomic word.
struct ControlParameters {
    std::atomic<uint8_t> m_byMaxAddr{0x00};
    std::atomic<uint8_t> m_bySelAddr{0x00};
    std::atomic<int32_t> m_bFeedback{1};
    std::atomic<int32_t> m_nPolarity{0};
    std::atomic<int32_t> m_nMaxOnTime{500};
    std::atomic<int32_t> m_nInterval{50};
};

inline constexpr int32_t kMaxOnTimeMin = 0;
inline constexpr int32_t kMaxOnTimeMax = 2540;
inline constexpr int32_t kIntervalMin = 0;
inline constexpr int32_t kIntervalMax = 255;

class IOperatorConsole {
  public:
    virtual ~IOperatorConsole() = default;

    virtual ControlParameters& Parameters() = 0;
    // One line at the end of the log, brought into view.
    virtual void AppendLog(const std::string& line) = 0;
    // Column 1 of the node table's row `address`; an address without a row changes nothing.
    virtual void SetStatusCell(int address, const std::string& text) = 0;
    // A message box owned by the main window; returns once the operator has dismissed it.
    virtual void ShowMessage(const std::string& text) = 0;
    // True once the console is going away: a running transaction ends quietly.
    virtual bool TransactionCancelled() { return false; }

    // What a transaction found, for a caller that acts on it rather than on the log (the
    // acceptance run): the tick right after the frame went out, and each reply-headed frame
    // with its time after the send. Called on the transaction's thread; nothing by default.
    virtual void FrameSent(uint32_t /*sentTick*/) {}
    virtual void ReplyReceived(const ParsedFrame& /*reply*/, uint32_t /*elapsedMs*/) {}
};
