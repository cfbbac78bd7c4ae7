// The report writers: the JSON contract, CSV as spreadsheets read it, a page that escapes
// what the operator typed.
#include "acceptance/report.h"

#include <gtest/gtest.h>

#include "acceptance/verdict.h"

namespace {

using Json = nlohmann::ordered_json;

// Two expected nodes (one passes, one jammed), one stranger; typed texts full of markup.
AcceptanceResult SampleResult() {
    AcceptanceResult result;
    result.request.expected = {0x00, 0x01};
    result.request.cabinet = "<b>&\"柜,1\"";
    result.request.operatorName = "李四\r\n<script>";
    result.request.port = "/dev/ttyUSB0";
    result.request.tool = "velkaro-cli";
    result.started = "2026-12-10T14:05:09+08:00";
    result.finished = "2026-12-10T14:05:12+08:00";
    result.scanned = true;
    const auto heard = [](uint8_t address, bool expected, uint32_t replyMs) {
        NodeResult node;
        node.address = address;
        node.expected = expected;
        node.scanReplies = 1;
        node.scanState = LockState::Locked;
        node.scanReplyMs = replyMs;
        return node;
    };
    const auto checked = [&](uint8_t address, uint32_t replyMs, LockState after) {
        NodeResult node = heard(address, true, replyMs);
        node.unlockReply = true;
        node.statusReply = true;
        node.afterState = after;
        return node;
    };
    result.nodes = {checked(0x00, 3, LockState::Open), checked(0x01, 8, LockState::Locked),
                    heard(0x20, false, 163)};
    JudgeAcceptance(result);
    return result;
}

std::vector<std::string> CsvLines(const std::string& csv) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = csv.find("\r\n", start)) != std::string::npos; start = end + 2) {
        lines.push_back(csv.substr(start, end - start));
    }
    EXPECT_EQ(start, csv.size()) << "the last line ends with CRLF";
    return lines;
}

TEST(AcceptanceReport, JsonKeepsTheContractsKeysAndNulls) {
    const Json json = AcceptanceJson(SampleResult());
    std::vector<std::string> keys;
    for (const auto& [key, value] : json.items()) {
        keys.push_back(key);
    }
    EXPECT_EQ(keys,
              (std::vector<std::string>{"schema", "tool", "version", "port", "cabinet", "operator",
                                        "started", "finished", "complete", "settings", "expected",
                                        "result", "summary", "nodes"}));
    EXPECT_EQ(json["schema"], "velkaro-acceptance/1");
    EXPECT_EQ(json["settings"], Json::parse(R"({"max_addr": "FE", "feedback": true,
        "polarity": 0, "max_on_time_ms": 500, "interval_ms": 50, "close_wait_s": 0,
        "mode": "each"})"));
    EXPECT_EQ(json["expected"], Json::parse(R"(["00", "01"])"));
    EXPECT_EQ(json["result"], "fail");
    EXPECT_EQ(json["summary"], Json::parse(R"({"expected": 2, "passed": 1, "failed": 1,
        "unverified": 0, "unexpected": 1})"));
    EXPECT_EQ(json["nodes"][1], Json::parse(R"({"address": "01", "expected": true,
        "scan_replies": 1, "scan_state": "闭", "scan_reply_ms": 8, "unlock_reply": true,
        "after_state": "闭", "locked_again": null, "verdict": "fail",
        "reasons": ["did-not-open"]})"));
    EXPECT_EQ(json["nodes"][2]["unlock_reply"], nullptr);
    EXPECT_EQ(json["nodes"][2]["verdict"], "unexpected");
    EXPECT_EQ(json["cabinet"], "<b>&\"柜,1\"");
}

TEST(AcceptanceReport, CsvHasABomCrlfAHeaderAndOneQuotedRowPerNode) {
    const std::string csv = AcceptanceCsv(SampleResult());
    ASSERT_EQ(csv.rfind("\xEF\xBB\xBF", 0), 0u);
    // The operator's line break stays inside its quoted field: split the rows by hand.
    const std::vector<std::string> lines = CsvLines(csv.substr(3));
    ASSERT_EQ(lines.size(), 1u + 3u * 2u) << "the typed CRLF splits each row in two lines";
    EXPECT_EQ(lines[0],
              "cabinet,operator,started,finished,complete,result,address,expected,scan_replies,"
              "scan_state,scan_reply_ms,unlock_reply,after_state,locked_again,verdict,reasons");
    const std::string runCells =
        "\"<b>&\"\"柜,1\"\"\",\"李四\r\n<script>\",2026-12-10T14:05:09+08:00,"
        "2026-12-10T14:05:12+08:00,true,fail,";
    EXPECT_EQ(csv.substr(3 + lines[0].size() + 2, runCells.size()), runCells);
    EXPECT_EQ(lines[2].substr(lines[2].find(",00,")), ",00,true,1,闭,3,true,开,,pass,");
    EXPECT_EQ(lines[4].substr(lines[4].find(",01,")), ",01,true,1,闭,8,true,闭,,fail,did-not-open");
    EXPECT_EQ(lines[6].substr(lines[6].find(",20,")), ",20,false,1,闭,163,,,,unexpected,");
}

TEST(AcceptanceReport, HtmlIsSelfContainedAndShowsTypedTextAsText) {
    const std::string html = AcceptanceHtml(SampleResult());
    EXPECT_NE(html.find("&lt;b&gt;&amp;&quot;柜,1&quot;"), std::string::npos);
    EXPECT_NE(html.find("李四\r\n&lt;script&gt;"), std::string::npos);
    EXPECT_EQ(html.find("<b>"), std::string::npos);
    EXPECT_EQ(html.find("<script"), std::string::npos);
    for (const char* outside : {"http:", "https:", "src=", "<link", "@import"}) {
        EXPECT_EQ(html.find(outside), std::string::npos) << outside;
    }
    EXPECT_NE(html.find("size: A4"), std::string::npos);
    EXPECT_NE(html.find("不合格"), std::string::npos);
    EXPECT_NE(html.find("开锁后锁仍为闭 (did-not-open)"), std::string::npos);
    EXPECT_NE(html.find("<tr class=\"failed\"><td>01</td>"), std::string::npos);
}

TEST(AcceptanceReport, FormatFollowsTheExtension) {
    const std::pair<const char*, std::optional<ReportFormat>> cases[] = {
        {"a.json", ReportFormat::Json},    {"dir.x/a.CSV", ReportFormat::Csv},
        {"a.html", ReportFormat::Html},    {"a.htm", ReportFormat::Html},
        {"a.txt", std::nullopt},           {"json", std::nullopt},
        {"dir.json/report", std::nullopt},
    };
    for (const auto& [path, format] : cases) {
        EXPECT_EQ(ReportFormatFor(path), format) << path;
    }
}

}  // namespace
