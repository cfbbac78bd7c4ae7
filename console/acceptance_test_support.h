// The window's acceptance run beside the command line's on an equal bus, for the window tests
// of both backends. What may differ between the two runs' reports and logs: the times (calendar
// and reply times), the port and the program that ran it.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <regex>
#include <string>
#include <vector>

#include "bus/testing/expected_log.h"
#include "console/message_box_recorder.h"
#include "console/text_file_test_support.h"
#include "res/resource.h"
#include "serial/serial.h"
#include "worker/port_worker.h"

// Stop, a close and a hang-up end a run within its current exchange, at most a node's unlock
// (interval 50 ms and the margin) or its query, and the turns of the window's event loop that
// show the result; the rest of the run would take some 0.55 s per node still to check.
inline constexpr std::chrono::milliseconds kRunEndBound{1500};

inline long long Milliseconds(std::chrono::steady_clock::duration span) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(span).count();
}

// A close of the main window during a run took `closeTook` (printed after `what`) and left the
// port closed, the worker ended, no run asked for and no box shown.
inline void ExpectTheCloseEndedTheRun(const char* what,
                                      std::chrono::steady_clock::duration closeTook,
                                      const MessageBoxRecorder& boxes) {
    std::printf("%s: the window gone and its port closed %lld ms after the close\n", what,
                Milliseconds(closeTook));
    EXPECT_LT(closeTook, kRunEndBound);
    EXPECT_EQ(g_hComm, kInvalidSerialHandle);
    EXPECT_FALSE(PortWorkerRunning());
    EXPECT_EQ(g_bReqAcceptance.load(), 0u);
    EXPECT_TRUE(boxes.requests.empty());
}

// A field of the acceptance dialog holding a bad value, and the prompt that Start shows for it.
struct AcceptancePromptCase {
    const char* name;
    int field;
    const char* text;
    const char* prompt;
};

inline constexpr const char* kExpectPrompt =
    "请输入验收地址，HEX格式不带0x，如 00-1f 或 00-07,10,12-14。";

inline constexpr AcceptancePromptCase kAcceptancePromptCases[] = {
    {"EmptyAddresses", IDC_EDIT_EXPECT, "", kExpectPrompt},
    {"BadAddresses", IDC_EDIT_EXPECT, "00-zz", kExpectPrompt},
    {"BroadcastAddress", IDC_EDIT_EXPECT, "00-ff", kExpectPrompt},
    {"CloseWaitTooLong", IDC_EDIT_CLOSE_WAIT, "3601", "请输入一个 0 至 3600 之间的整数。"},
    {"CloseWaitNotANumber", IDC_EDIT_CLOSE_WAIT, "abc", "请输入一个整数。"},
};

inline std::string NormalisedReport(std::string text, const std::string& port,
                                    const std::string& tool) {
    text = std::regex_replace(text, std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d[+-]\d\d:\d\d)"),
                              "TIME");
    // scan_reply_ms: the JSON field, the CSV column after the scan state, the HTML cell.
    text = std::regex_replace(text, std::regex(R"("scan_reply_ms": \d+)"), "\"scan_reply_ms\": MS");
    text = std::regex_replace(text, std::regex(R"(,(true|false),(\d+),(闭|开|),\d+,)"),
                              ",$1,$2,$3,MS,");
    text = std::regex_replace(
        text,
        std::regex(
            R"((<tr[^>]*><td>[0-9A-F]{2}</td><td>[^<]*</td><td>\d+</td><td>[^<]*</td><td>)\d+<)"),
        "$1MS<");
    text = std::regex_replace(
        text, std::regex(std::regex_replace(port, std::regex(R"([/.])"), R"(\$&)")), "PORT");
    return std::regex_replace(text, std::regex(tool), "TOOL");
}

// A log line without the reply time that the transactions log with each frame.
inline std::string NormalisedLogLine(const std::string& line) {
    return std::regex_replace(line, std::regex(R"(时间 \d+ms)"), "时间 {ms}ms");
}

// The window's log holds the run's lines as the command line writes them, in order; the
// command line closes its port after them.
inline void ExpectTheCommandLinesLog(const std::vector<std::string>& windowLog,
                                     const std::string& cliOutput) {
    std::vector<std::string> cliLines = SplitLines(cliOutput);
    ASSERT_FALSE(cliLines.empty());
    EXPECT_EQ(cliLines.back(), "[串口已关闭]");
    cliLines.pop_back();
    ASSERT_EQ(windowLog.size(), cliLines.size());
    for (size_t i = 0; i < cliLines.size(); ++i) {
        EXPECT_EQ(NormalisedLogLine(windowLog[i]), NormalisedLogLine(cliLines[i]))
            << "line " << i + 1;
    }
}

// The window's log of a run over eight nodes (00 to 07, the lock of 03 jammed, 05 silent, max
// address 07) with the main window's defaults: the port's opening, then each transaction's
// lines in order, the scan first, then an unlock and a query of each node that answered it.
inline expected_log::Lines EightNodeRunLog() {
    using expected_log::Lines;
    const auto hex = [](int value) {
        char text[3];
        std::snprintf(text, sizeof text, "%02X", value & 0xFF);
        return std::string(text);
    };
    const auto append = [](Lines& to, const Lines& lines) {
        to.insert(to.end(), lines.begin(), lines.end());
    };
    constexpr int kJammed = 0x03;
    constexpr int kSilent = 0x05;
    Lines log = {"[串口已打开]", "[验收测试]"};
    append(log, expected_log::kGroupStatusAnnouncement);
    for (int node = 0; node <= 7; ++node) {
        if (node != kSilent) {
            append(log, expected_log::StatusReplyLines(node, 0));
        }
    }
    append(log, {kLogLastNode, "[--完毕：群体获取状态--]"});
    for (int node = 0; node <= 7; ++node) {
        if (node == kSilent) {
            continue;
        }
        const int result = node == kJammed ? 1 : 0;  // the lock did not open
        append(log, {"[单点开锁]",
                     "->串口发送:A5," + hex(node) + ",01,32,32,00," +
                         hex(0xA5 + node + 0x01 + 0x32 + 0x32),
                     ":!!!单点开锁功率也不容忽视"});
        append(log, expected_log::kUnlockNotes);
        append(log, expected_log::FrameLines(
                        "5A " + hex(node) + " 01 " + hex(result) + " " +
                            hex(0x5A + node + 0x01 + result) + " ",
                        "header=5A,addr=" + hex(node) + ",cmd=01,rsp_param[0]=" + hex(result)));
        append(log, {kLogLastNode, "[--完毕：单点开锁--]"});
        append(log,
               {"[单点获取状态]", "->串口发送:A5," + hex(node) + ",00,00,00,00," + hex(0xA5 + node),
                ":单点获取状态只需要等待一个节点时间"});
        append(log, expected_log::StatusReplyLines(node, node == kJammed ? 0 : 1));
        append(log, {kLogLastNode, "[--完毕：单点获取状态--]"});
    }
    log.push_back("[--完毕：验收测试--]");
    return log;
}
