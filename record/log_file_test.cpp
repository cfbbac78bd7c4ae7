#include "record/log_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "record/local_conventions.h"

namespace {

using std::chrono::milliseconds;

// The wall-clock time of a local calendar time plus some milliseconds.
WallClock::time_point LocalTime(int year, int month, int day, int hour, int minute, int second,
                                int millis) {
    std::tm calendar{};
    calendar.tm_year = year - 1900;
    calendar.tm_mon = month - 1;
    calendar.tm_mday = day;
    calendar.tm_hour = hour;
    calendar.tm_min = minute;
    calendar.tm_sec = second;
    calendar.tm_isdst = -1;
    return WallClock::from_time_t(std::mktime(&calendar)) + milliseconds(millis);
}

// A log kept as a vector, as SaveLog and LogText read it.
LogLineAt At(std::vector<LogLine> lines) {
    return [lines = std::move(lines)](std::size_t i) { return lines[i]; };
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

class LogFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        m_dir =
            std::filesystem::temp_directory_path() /
            ("velkaro-log-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(m_dir);
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    std::filesystem::path m_dir;
};

}  // namespace

TEST(LogTimeFormatterTest, WritesLocalTimeWithMillisecondsAcrossSecondsAndDays) {
    struct Case {
        WallClock::time_point time;
        const char* text;
    };
    // One formatter for all, in this order: each line starts a new second, minute or day, or
    // stays in the second before.
    const Case cases[] = {
        {LocalTime(2026, 12, 10, 13, 5, 9, 7), "2026-12-10 13:05:09.007"},
        {LocalTime(2026, 12, 10, 13, 5, 9, 999), "2026-12-10 13:05:09.999"},
        {LocalTime(2026, 12, 10, 13, 5, 10, 0), "2026-12-10 13:05:10.000"},
        {LocalTime(2026, 12, 31, 23, 59, 59, 120), "2026-12-31 23:59:59.120"},
        {LocalTime(2027, 1, 1, 0, 0, 0, 45), "2027-01-01 00:00:00.045"},
        {LocalTime(2026, 12, 10, 13, 5, 9, 500), "2026-12-10 13:05:09.500"},
    };
    LogTimeFormatter times;
    for (const Case& c : cases) {
        std::string text;
        times.Append(c.time, text);
        EXPECT_EQ(text, c.text);
    }
}

TEST_F(LogFileTest, SaveWritesEveryLineWithItsTimeAndTheLineEndOfThisSystem) {
    const std::vector<LogLine> lines = {
        {LocalTime(2026, 12, 10, 9, 1, 2, 3), "[串口已打开]"},
        {LocalTime(2026, 12, 10, 9, 1, 2, 40), "->串口发送:A5,FF,00,00,00,00,A4"},
        {LocalTime(2026, 12, 10, 9, 1, 3, 0), ""},
    };
    std::string error;
    ASSERT_TRUE(SaveLog((m_dir / "a.log").string(), lines.size(), At(lines), error)) << error;
    const std::string end = kTextLineEnd;
    EXPECT_EQ(ReadFile(m_dir / "a.log"),
              "2026-12-10 09:01:02.003\t[串口已打开]" + end +
                  "2026-12-10 09:01:02.040\t->串口发送:A5,FF,00,00,00,00,A4" + end +
                  "2026-12-10 09:01:03.000\t" + end);
}

TEST_F(LogFileTest, SaveReplacesAnOlderFileAndAnEmptyLogGivesAnEmptyFile) {
    std::ofstream(m_dir / "old.log") << "older content";
    std::string error;
    ASSERT_TRUE(SaveLog((m_dir / "old.log").string(), 0, At({}), error)) << error;
    EXPECT_EQ(ReadFile(m_dir / "old.log"), "");
}

TEST_F(LogFileTest, FilesThatCannotBeCreatedSayWhy) {
    for (const std::filesystem::path& path : {m_dir / "missing" / "a.log", m_dir}) {
        std::string error;
        EXPECT_FALSE(SaveLog(path.string(), 1, At({{WallClock::now(), "x"}}), error)) << path;
        EXPECT_FALSE(error.empty());
        LogFile file;
        error.clear();
        EXPECT_FALSE(file.Create(path.string(), error)) << path;
        EXPECT_FALSE(error.empty());
    }
}

TEST_F(LogFileTest, AGrowingLogFileHoldsEachLineAsSoonAsItIsWritten) {
    LogFile file;
    std::string error;
    ASSERT_TRUE(file.Create((m_dir / "run.log").string(), error)) << error;
    EXPECT_TRUE(file.Write({LocalTime(2026, 1, 2, 3, 4, 5, 6), "一"}));
    EXPECT_EQ(ReadFile(m_dir / "run.log"),
              std::string("2026-01-02 03:04:05.006\t一") + kTextLineEnd);
    EXPECT_TRUE(file.Write({LocalTime(2026, 1, 2, 3, 4, 5, 7), "二"}));
    EXPECT_EQ(ReadFile(m_dir / "run.log"), std::string("2026-01-02 03:04:05.006\t一") +
                                               kTextLineEnd + "2026-01-02 03:04:05.007\t二" +
                                               kTextLineEnd);
}

TEST(LogTextTest, HoldsTheLinesWithoutTimes) {
    const std::string end = kTextLineEnd;
    EXPECT_EQ(LogText(2, At({{WallClock::now(), "a"}, {WallClock::now(), "解析后的参数"}})),
              "a" + end + "解析后的参数" + end);
    EXPECT_EQ(LogText(0, At({})), "");
}

TEST(RecordFileNameTest, NamesTheLocalTimeToTheSecond) {
    EXPECT_EQ(RecordFileName(LocalTime(2026, 12, 10, 9, 5, 7, 999), "log"),
              "velkaro-20261210-090507.log");
    EXPECT_EQ(RecordFileName(LocalTime(2027, 1, 2, 23, 59, 0, 0), "pcapng"),
              "velkaro-20270102-235900.pcapng");
}
