#include "acceptance/local_time.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>

namespace {

// The zone is the process's; a fixed one makes the expected text exact.
class LocalTimeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (const char* tz = std::getenv("TZ")) {
            m_saved = tz;
        }
    }
    void TearDown() override {
        if (m_saved) {
            ::setenv("TZ", m_saved->c_str(), 1);
        } else {
            ::unsetenv("TZ");
        }
        ::tzset();
    }
    static void Zone(const char* tz) {
        ::setenv("TZ", tz, 1);
        ::tzset();
    }
    std::optional<std::string> m_saved;
};

TEST_F(LocalTimeTest, CarriesTheZonesOffsetAcrossADateLine) {
    // 2026-12-31T20:30:05Z
    const auto when = std::chrono::system_clock::from_time_t(1798749005);
    const std::pair<const char*, const char*> cases[] = {
        {"UTC0", "2026-12-31T20:30:05+00:00"},
        {"CST-8", "2027-01-01T04:30:05+08:00"},
        {"NST+3:30", "2026-12-31T17:00:05-03:30"},
    };
    for (const auto& [tz, text] : cases) {
        Zone(tz);
        EXPECT_EQ(LocalTimeIso8601(when), text) << tz;
    }
}

}  // namespace
