#include "bus/transaction_loop.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "protocol/reply_parser.h"
#include "res/texts.h"
#include "serial/serial.h"
#include "serial/tick.h"

namespace {

using res::Text;
using res::TextId;

// A wait for bytes is cut into slices this long so that a console going away, or a port that
// hung up (its waits sleep out their time), is noticed.
constexpr uint32_t kCancelCheckMs = 50;
constexpr std::size_t kCaptureSize = 16;

std::string Format(const char* format, auto... values) {
    std::array<char, 160> text{};
    std::snprintf(text.data(), text.size(), format, values...);
    return text.data();
}

struct Capture {
    std::array<uint8_t, kCaptureSize> bytes{};
    std::size_t count = 0;

    void Add(uint8_t b) {
        if (count < bytes.size()) {
            bytes[count++] = b;
        }
    }

    std::string RawLine(uint32_t elapsedMs) const {
        std::string line = Text(TextId::LogRawPrefix);
        for (std::size_t i = 0; i < count; ++i) {
            line += Format("%02X ", bytes[i]);
        }
        return line + res::FormatText(TextId::LogRawTime, static_cast<long>(elapsedMs));
    }
};

std::string ReplyLine(const ParsedFrame& frame) {
    return Format("header=%02X,addr=%02X,cmd=%02X,rsp_param[0]=%02X", frame.head, frame.address,
                  frame.command, frame.param[0]);
}

std::string HostFrameLine(const ParsedFrame& frame) {
    return Format(
        "header=%02X,addr=%02X,cmd=%02X,rsp_param[0]=%02X,rsp_param[1]=%02X,rsp_param[2]=%02X",
        frame.head, frame.address, frame.command, frame.param[0], frame.param[1], frame.param[2]);
}

void ReportFrame(IOperatorConsole& console, const TransactionPlan& plan, const ParsedFrame& frame) {
    if (frame.head == FRAME_HEAD_HOST) {
        console.AppendLog(HostFrameLine(frame));
        console.AppendLog(Text(TextId::LogHostFrameReceived));
        return;
    }
    const std::string parsed = ReplyLine(frame);
    console.AppendLog(parsed);
    if (plan.writesStatusCells) {
        const ControlParameters& params = console.Parameters();
        console.SetStatusCell(frame.address, StatusCellText(params.m_bFeedback, params.m_nPolarity,
                                                            frame.param[0], parsed));
    }
}

// The process's one parser answers field by field (ParseReplyByte unpacks its ParsedFrame);
// the loop hands frames around whole, so the fields are packed back into one.
bool FeedParser(uint8_t b, ParsedFrame& frame) {
    uint8_t param[3]{};
    if (!ParseReplyByte(b, frame.head, frame.address, frame.command, param)) {
        return false;
    }
    frame.param = {param[0], param[1], param[2]};
    return true;
}

enum class Outcome { Deadline, LastNode, Cancelled, PortHungUp };

Outcome CollectReplies(IOperatorConsole& console, const TransactionPlan& plan, uint32_t deadline,
                       uint32_t t0) {
    Capture capture;
    for (;;) {
        if (console.TransactionCancelled()) {
            return Outcome::Cancelled;
        }
        const uint32_t elapsed = TickDiff(TickNow(), t0);
        if (elapsed >= deadline) {
            return Outcome::Deadline;
        }
        const SerialHandle port = g_hComm;
        if (SerialBytesWaiting(port) == 0) {
            // Every byte that came before the hang-up has been read: nothing more will come.
            if (SerialHungUp(port)) {
                return Outcome::PortHungUp;
            }
            // Sleeps until a byte arrives instead of polling the count in a tight loop.
            SerialWaitReadable(port, std::min(deadline - elapsed, kCancelCheckMs));
            continue;
        }
        uint8_t b = 0;
        if (SerialRead(port, &b, 1) != 1) {
            continue;
        }
        capture.Add(b);
        ParsedFrame frame{};
        if (!FeedParser(b, frame)) {
            continue;
        }
        console.AppendLog(Text(TextId::LogFrameComplete));
        console.AppendLog(capture.RawLine(elapsed));
        capture.count = 0;
        console.AppendLog(Text(TextId::LogParsed));
        ReportFrame(console, plan, frame);
        if (frame.head == FRAME_HEAD_NODE) {
            console.ReplyReceived(frame, elapsed);
        }
        if (frame.address >= console.Parameters().m_byMaxAddr) {
            return Outcome::LastNode;
        }
    }
}

}  // namespace

std::string StatusCellText(int32_t feedback, int32_t polarity, uint8_t level,
                           const std::string& parsedLine) {
    if (feedback == 0) {
        return parsedLine;
    }
    return Text(LevelReadsLocked(polarity, level) ? TextId::CellLocked : TextId::CellOpen);
}

bool LevelReadsLocked(int32_t polarity, uint8_t level) {
    return level == (polarity == 0 ? 0x00 : 0x01);
}

std::string SendLine(const HostFrame& frame) {
    return res::FormatText(TextId::LogSendLine, frame[0], frame[1], frame[2], frame[3], frame[4],
                           frame[5], frame[6]);
}

// A write that failed because the port went away is that, not a write error: whoever runs the
// transaction tells the operator once, rather than once per transaction.
TransactionEnd RunTransaction(IOperatorConsole& console, const TransactionPlan& plan) {
    for (const std::string& line : plan.announcement) {
        console.AppendLog(line);
    }
    SerialPurge(g_hComm);
    if (SerialWrite(g_hComm, plan.frame.data(), kHostFrameSize) != kHostFrameSize) {
        if (SerialHungUp(g_hComm)) {
            return TransactionEnd::PortHungUp;
        }
        console.ShowMessage(Text(TextId::MsgWriteError));
        return TransactionEnd::Ended;
    }
    const uint32_t deadline = plan.deadlineMs();
    const uint32_t t0 = TickNow();
    console.FrameSent(t0);
    switch (CollectReplies(console, plan, deadline, t0)) {
        case Outcome::Cancelled:
            return TransactionEnd::Ended;
        case Outcome::PortHungUp:
            return TransactionEnd::PortHungUp;
        case Outcome::Deadline:
            console.AppendLog(Text(TextId::LogDeadline));
            break;
        case Outcome::LastNode:
            console.AppendLog(Text(TextId::LogLastNode));
            break;
    }
    console.AppendLog(plan.endLine);
    return TransactionEnd::Ended;
}
