// The log's menu in both windows, through the driver that the build picks
// (console/main_window_driver.h): copy, copy all, save with times, clear, and the bus trace,
// against the simulated session bus (nodes 00 to 0f).
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "console/dialog/clipboard.h"
#include "console/dialog/menu.h"
#include "console/file_dialog_recorder.h"
#include "console/main_window_driver.h"
#include "console/message_box_recorder.h"
#include "console/text_file_test_support.h"
#include "record/bus_trace.h"
#include "record/local_conventions.h"

namespace {

using namespace std::chrono_literals;
using Lines = std::vector<std::string>;

constexpr auto kTransactionTimeout = 20s;

// A folder for the test's files, made empty at the start and removed at the end. Each test has
// one of its own: the test run starts every test as a process of its own, two at a time.
class TestFolder {
  public:
    TestFolder()
        : m_path(std::filesystem::temp_directory_path() /
                 (std::string("velkaro-record-") +
                  testing::UnitTest::GetInstance()->current_test_info()->name())) {
        std::filesystem::remove_all(m_path);
        std::filesystem::create_directories(m_path);
    }
    ~TestFolder() { std::filesystem::remove_all(m_path); }
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;

    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }
    bool Empty() const { return std::filesystem::is_empty(m_path); }

  private:
    std::filesystem::path m_path;
};

class LogRecordCasesTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(window.Shown()) << "a bus and the window";
        window.SelectPort(window.BusPort());  // the trace is named after the port the list shows
    }

    Lines LogMenu() {
        CMenu menu(&window.Dlg(), MenuKind::Popup);
        window.Dlg().FillLogMenu(menu);
        Lines items;
        for (int i = 0; i < menu.GetMenuItemCount(); ++i) {
            items.push_back(menu.GetMenuString(i));
        }
        return items;
    }
    bool WaitForLine(const std::string& line) {
        return ServeUntilLogged(window, line, kTransactionTimeout);
    }
    void OpenPort() {
        window.Click(IDC_BTN_OPEN_PORT);
        ASSERT_TRUE(WaitForLine("[串口已打开]"));
    }

    TestFolder folder;  // outlives the window, which ends a trace as it goes
    MessageBoxRecorder boxes;
    FileDialogRecorder files;
    MainWindowDriver window{SimulatedBus::Session};
};

TEST_F(LogRecordCasesTest, TheMenuCopiesALineOrAllOfThemAndClearsTheList) {
    for (const char* line : {"a", "第二行", "c"}) {
        window.Dlg().AppendLog(line);
    }
    EXPECT_EQ(LogMenu(), (Lines{"复制(&C)", "全部复制(&A)", "", "保存日志(&S)...", "清空日志(&L)",
                                "", "开始记录通讯(&R)..."}));

    window.SelectLogLine(1);
    window.Command(IDM_LOG_COPY);
    EXPECT_EQ(GetClipboardText(), "第二行");
    window.Command(IDM_LOG_COPY_ALL);
    const std::string end = kTextLineEnd;
    EXPECT_EQ(GetClipboardText(), "a" + end + "第二行" + end + "c" + end);

    window.Command(IDM_LOG_CLEAR);
    EXPECT_TRUE(window.Log().empty());
    files.answer = (folder / "empty.log").string();
    window.Command(IDM_LOG_SAVE);
    EXPECT_EQ(ReadFile(*files.answer), "") << "a save after the clear writes nothing";
    window.Dlg().AppendLog("y");
    EXPECT_EQ(window.Log(), Lines{"y"});
    EXPECT_TRUE(boxes.requests.empty());
}

// The saved file holds every line the list showed, each after its time and a tab, with the
// platform's line ends; the times never go back.
void ExpectSavedAsShown(const std::string& saved, const Lines& shown) {
    const std::string end = kTextLineEnd;
    const std::regex time(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3})");
    std::size_t at = 0;
    std::string previousTime;
    for (const std::string& line : shown) {
        const std::size_t lineEnd = saved.find(end, at);
        ASSERT_NE(lineEnd, std::string::npos);
        const std::string fileLine = saved.substr(at, lineEnd - at);
        ASSERT_GT(fileLine.size(), 24u) << fileLine;
        EXPECT_TRUE(std::regex_match(fileLine.substr(0, 23), time)) << fileLine;
        EXPECT_EQ(fileLine[23], '\t');
        EXPECT_EQ(fileLine.substr(24), line);
        EXPECT_GE(fileLine.substr(0, 23), previousTime);
        previousTime = fileLine.substr(0, 23);
        at = lineEnd + end.size();
    }
    EXPECT_EQ(at, saved.size());
}

// Node 0f's status reply, whatever its lock's state: under wine the session's test, on the same
// bus, may have unlocked it already.
bool LoggedReplyOfNode0F(const Lines& log) {
    return std::any_of(log.begin(), log.end(), [](const std::string& line) {
        return line.starts_with("header=5A,addr=0F,cmd=00,rsp_param[0]=");
    });
}

TEST_F(LogRecordCasesTest, SaveWhileAPollRunsWritesTheLinesWithTimesAndTheTraceHoldsTheBus) {
    files.answer = (folder / "bus.pcapng").string();
    window.Command(IDM_TRACE);
    ASSERT_TRUE(BusTraceRunning());
    EXPECT_TRUE(std::regex_match(files.requests.at(0).defaultName,
                                 std::regex(R"(velkaro-\d{8}-\d{6}\.pcapng)")))
        << files.requests.at(0).defaultName;
    EXPECT_EQ(LogMenu().back(), "停止记录通讯(&R)");
    OpenPort();

    // Max address fe: after node 0f's reply the poll waits out its deadline of 1475 ms.
    window.Click(IDC_BTN_GROUP_STATUS);
    ASSERT_TRUE(
        window.ServeUntil([&] { return LoggedReplyOfNode0F(window.Log()); }, kTransactionTimeout));
    files.answer = (folder / "saved.log").string();
    window.Command(IDM_LOG_SAVE);
    const Lines shown = window.Log();
    ASSERT_EQ(files.requests.size(), 2u);
    EXPECT_TRUE(
        std::regex_match(files.requests[1].defaultName, std::regex(R"(velkaro-\d{8}-\d{6}\.log)")))
        << files.requests[1].defaultName;
    ASSERT_TRUE(WaitForLine("[--完毕：群体获取状态--]"));
    window.Command(IDM_TRACE);
    EXPECT_FALSE(BusTraceRunning());
    EXPECT_EQ(files.requests.size(), 2u) << "stopping asks nothing";

    ExpectSavedAsShown(ReadFile(*files.answer), shown);
    const std::string trace = ReadFile(folder / "bus.pcapng");
    EXPECT_EQ(trace.substr(0, 4), std::string("\x0A\x0D\x0D\x0A", 4));
    EXPECT_NE(trace.find(window.BusPort()), std::string::npos) << "the interface's name";
    EXPECT_NE(trace.find(std::string("\xA5\xFF\x00\x00\x00\x00\xA4", 7)), std::string::npos);
    EXPECT_NE(trace.find(std::string("\x5A\x0F\x00", 3)), std::string::npos) << "node 0f's reply";
    EXPECT_TRUE(boxes.requests.empty());
    window.Click(IDC_BTN_OPEN_PORT);
}

TEST_F(LogRecordCasesTest, ACancelledDialogSavesNothingAndStartsNoTrace) {
    window.Command(IDM_LOG_SAVE);
    window.Command(IDM_TRACE);
    EXPECT_EQ(files.requests.size(), 2u);
    EXPECT_FALSE(BusTraceRunning());
    EXPECT_TRUE(folder.Empty());
}

}  // namespace
