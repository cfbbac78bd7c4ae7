// The window's acceptance run beside the command line's on an equal bus, for the window tests
// of both backends. What may differ between the two runs' reports and logs: the times (calendar
// and reply times), the port and the program that ran it.
#pragma once

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "console/text_file_test_support.h"

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
