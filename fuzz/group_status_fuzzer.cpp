// The receive path of a group status poll through a pseudo-terminal and the real serial code.
// The input is what the far end sends in answer to the poll, after four bytes of control
// parameters and four of the tick counter at the send:
//   [max address] [feedback] [polarity] [tick, 4 bytes little-endian] [bytes on the line...]
// The log lines and status cells that come out are held against a model of the poll.
#include <unistd.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "bus/operator_console.h"
#include "bus/transactions.h"
#include "fuzz/reference_parser.h"
#include "nodesim/pseudo_terminal.h"
#include "protocol/reply_parser.h"
#include "serial/serial.h"
#include "serial/tick.h"

namespace {

using Clock = std::chrono::steady_clock;

// Well inside what the pseudo-terminal buffers, so that the far end writes it all at once.
constexpr std::size_t kMaxLineBytes = 1024;
constexpr std::size_t kControlBytes = 7;
constexpr std::size_t kAnnouncementLines = 6;
constexpr std::size_t kCaptureSize = 16;
// Bytes that have not reached the reader by then are lost on the way.
constexpr auto kDeliveryLimit = std::chrono::seconds(5);

[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "group status poll: %s\n", what.c_str());
    std::abort();
}

struct Controls {
    uint8_t maxAddr;
    int32_t feedback;
    int32_t polarity;
    uint32_t tickAtSend;
};

Controls ReadControls(const uint8_t* data) {
    return Controls{data[0], static_cast<int8_t>(data[1]), static_cast<int8_t>(data[2]),
                    static_cast<uint32_t>(data[3] | data[4] << 8 | data[5] << 16 |
                                          static_cast<uint32_t>(data[6]) << 24)};
}

uint32_t DeadlineMs(uint8_t maxAddr) {
    return (maxAddr + 1u) * 5u + 200u;
}

std::string Hex(const char* format, uint8_t value) {
    char text[8];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// What the poll should show: the lines after the announcement, with the raw lines' times left
// out (TIME marks where one stands), and the final text of every status cell it wrote.
struct ExpectedPoll {
    std::vector<std::string> lines;
    std::map<int, std::string> cells;
};

const std::string TIME = "<ms>";

std::string CellText(const Controls& controls, uint8_t level, const std::string& parsed) {
    if (controls.feedback == 0) {
        return parsed;
    }
    const bool locked = controls.polarity == 0 ? level == 0x00 : level == 0x01;
    return locked ? "闭" : "开";
}

ExpectedPoll Model(const Controls& controls, const uint8_t* line, std::size_t size) {
    ExpectedPoll poll;
    ReferenceParser parser;
    std::string captured;
    std::size_t capturedCount = 0;
    for (std::size_t i = 0; i < size; ++i) {
        if (capturedCount < kCaptureSize) {
            captured += Hex("%02X ", line[i]);
            ++capturedCount;
        }
        const std::optional<ReferenceFrame> frame = parser.Feed(line[i]);
        if (!frame) {
            continue;
        }
        poll.lines.push_back("->已获取完成包");
        poll.lines.push_back("原始数据为：" + captured + ",时间 " + TIME + "ms");
        poll.lines.push_back("解析后的参数");
        captured.clear();
        capturedCount = 0;
        std::string parsed =
            "header=" + Hex("%02X", frame->head) + ",addr=" + Hex("%02X", frame->address) +
            ",cmd=" + Hex("%02X", frame->command) + ",rsp_param[0]=" + Hex("%02X", frame->param[0]);
        if (frame->head == 0xA5) {
            poll.lines.push_back(parsed + ",rsp_param[1]=" + Hex("%02X", frame->param[1]) +
                                 ",rsp_param[2]=" + Hex("%02X", frame->param[2]));
            poll.lines.push_back("!!--意外错误：主机不可能收到主机包--!!");
        } else {
            poll.lines.push_back(parsed);
            if (frame->address != 0xFF) {  // the node table has no row for it
                poll.cells[frame->address] = CellText(controls, frame->param[0], parsed);
            }
        }
        if (frame->address >= controls.maxAddr) {
            poll.lines.push_back("最后一个地址节点数据已收到，结束通讯");
            poll.lines.push_back("[--完毕：群体获取状态--]");
            return poll;
        }
    }
    poll.lines.push_back("最大预估通讯时间已到，结束通讯");
    poll.lines.push_back("[--完毕：群体获取状态--]");
    return poll;
}

// The far end of the port, and the console the poll reports to. The tick counter stands still
// while the far end's bytes are on their way, so that a loaded machine cannot move the
// deadline in front of them; once the reader has taken the last one, the counter jumps by the
// whole deadline, and a poll that the end rule has not ended ends by its deadline.
class Harness : public IOperatorConsole {
  public:
    Harness() {
        std::string error;
        if (!m_farEnd.Open(&error)) {
            Fail("no pseudo-terminal: " + error);
        }
        g_hComm = SerialOpen(m_farEnd.SlavePath(), 115200, 8, kSerialParityNone, kSerialOneStopBit);
        if (g_hComm == kInvalidSerialHandle) {
            Fail("cannot open " + m_farEnd.SlavePath());
        }
    }

    void Poll(const Controls& controls, const uint8_t* line, std::size_t size) {
        DrainFarEnd();
        ResetProcessParser();
        m_log.clear();
        m_cells.clear();
        m_line.assign(line, line + size);
        m_sent.clear();
        m_received = 0;
        m_holdAt.reset();
        m_released = false;
        m_lost = false;
        m_params.m_byMaxAddr = controls.maxAddr;
        m_params.m_bFeedback = controls.feedback;
        m_params.m_nPolarity = controls.polarity;
        m_deadline = DeadlineMs(controls.maxAddr);
        m_pollStart = Clock::now();
        SetTickOffset(0);
        m_offset = controls.tickAtSend - TickNow();
        SetTickOffset(m_offset);
        GroupGetStatus(*this);
    }

    // The poll's frame is on its way to the far end: it answers with the input's bytes.
    void Answer(const uint8_t* bytes, uint32_t count) {
        m_sent.assign(bytes, bytes + count);
        if (!m_line.empty() && write(m_farEnd.Master(), m_line.data(), m_line.size()) !=
                                   static_cast<ssize_t>(m_line.size())) {
            Fail("the far end could not send its bytes");
        }
    }

    void Received(uint32_t count) { m_received += count; }

    const std::vector<std::string>& Log() const { return m_log; }
    const std::map<int, std::string>& Cells() const { return m_cells; }
    const std::vector<uint8_t>& Sent() const { return m_sent; }
    uint32_t Deadline() const { return m_deadline; }
    // True when bytes the far end sent never reached the reader.
    bool Lost() const { return m_lost; }

    ControlParameters& Parameters() override { return m_params; }
    void AppendLog(const std::string& line) override { m_log.push_back(line); }
    void SetStatusCell(int address, const std::string& text) override {
        if (address >= 0 && address <= 0xFE) {
            m_cells[address] = text;
        }
    }
    void ShowMessage(const std::string& text) override { Fail("message box: " + text); }

    // Asked once per pass of the receive loop, just before it reads the tick counter.
    bool TransactionCancelled() override {
        if (m_released) {
            return false;
        }
        if (m_received < m_line.size()) {
            if (Clock::now() - m_pollStart < kDeliveryLimit) {
                HoldTickCounter();
                return false;
            }
            m_lost = true;
        }
        SetTickOffset(m_offset + m_deadline);
        m_released = true;
        return false;
    }

  private:
    void HoldTickCounter() {
        const uint32_t now = TickNow();
        if (!m_holdAt) {
            m_holdAt = now;
        }
        m_offset += *m_holdAt - now;
        SetTickOffset(m_offset);
    }

    // A frame cut off by the previous input would swallow this input's first bytes.
    static void ResetProcessParser() {
        uint8_t head, address, command, param[3];
        for (std::size_t i = 0; i < 7; ++i) {
            ParseReplyByte(0x00, head, address, command, param);
        }
    }

    // The poll frames of earlier inputs, so that the far end's receive buffer never fills.
    void DrainFarEnd() {
        uint8_t sink[256];
        while (read(m_farEnd.Master(), sink, sizeof sink) > 0) {
        }
    }

    PseudoTerminal m_farEnd;
    ControlParameters m_params;
    std::vector<std::string> m_log;
    std::map<int, std::string> m_cells;
    std::vector<uint8_t> m_line;
    std::vector<uint8_t> m_sent;
    std::size_t m_received = 0;
    uint32_t m_deadline = 0;
    uint32_t m_offset = 0;
    std::optional<uint32_t> m_holdAt;
    bool m_released = false;
    bool m_lost = false;
    Clock::time_point m_pollStart;
};

Harness& TheHarness() {
    static Harness harness;
    SerialSetHooks([](const uint8_t* bytes, uint32_t count) { harness.Answer(bytes, count); },
                   [](const uint8_t*, uint32_t count) { harness.Received(count); });
    return harness;
}

// A raw line's time: decimal digits, below the deadline (the counter stands still meanwhile).
bool RawLineMatches(const std::string& actual, const std::string& expected, uint32_t deadline) {
    const std::size_t hole = expected.find(TIME);
    const std::string prefix = expected.substr(0, hole);
    const std::string suffix = expected.substr(hole + TIME.size());
    if (actual.size() <= prefix.size() + suffix.size() || !actual.starts_with(prefix) ||
        !actual.ends_with(suffix)) {
        return false;
    }
    const std::string digits =
        actual.substr(prefix.size(), actual.size() - prefix.size() - suffix.size());
    if (digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    return std::stoul(digits) < deadline;
}

void CheckLog(const std::vector<std::string>& log, const ExpectedPoll& expected,
              uint32_t deadline) {
    if (log.size() != kAnnouncementLines + expected.lines.size()) {
        Fail("log has " + std::to_string(log.size()) + " lines, expected " +
             std::to_string(kAnnouncementLines + expected.lines.size()));
    }
    if (log.front() != "[群体获取状态]") {
        Fail("first line: " + log.front());
    }
    for (std::size_t i = 0; i < expected.lines.size(); ++i) {
        const std::string& actual = log[kAnnouncementLines + i];
        const std::string& want = expected.lines[i];
        const bool matches = want.find(TIME) == std::string::npos
                                 ? actual == want
                                 : RawLineMatches(actual, want, deadline);
        if (!matches) {
            Fail("line " + std::to_string(kAnnouncementLines + i + 1) + ": \"" + actual +
                 "\", expected \"" + want + "\"");
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size < kControlBytes) {
        return 0;
    }
    const Controls controls = ReadControls(data);
    const uint8_t* line = data + kControlBytes;
    const std::size_t lineSize = std::min(size - kControlBytes, kMaxLineBytes);

    Harness& harness = TheHarness();
    harness.Poll(controls, line, lineSize);
    if (harness.Lost()) {
        Fail("bytes sent by the far end did not reach the reader");
    }

    const std::vector<uint8_t> pollFrame{0xA5, 0xFF, 0x00, 0x00, 0x00, 0x00, 0xA4};
    if (harness.Sent() != pollFrame) {
        Fail("the poll did not send A5 FF 00 00 00 00 A4");
    }
    const ExpectedPoll expected = Model(controls, line, lineSize);
    CheckLog(harness.Log(), expected, harness.Deadline());
    if (harness.Cells() != expected.cells) {
        Fail("the status cells differ from the model");
    }
    return 0;
}
