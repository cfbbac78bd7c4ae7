#include "res/texts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "res/testing/cjk.h"

namespace {

using res::Language;
using res::TextId;

std::vector<TextId> AllIds() {
    std::vector<TextId> ids;
    for (int i = 0; i < static_cast<int>(TextId::Count); ++i) {
        ids.push_back(static_cast<TextId>(i));
    }
    return ids;
}

// The printf conversions of a format, each as written ("%02X", "%ld", "%%").
std::vector<std::string> Placeholders(const std::string& format) {
    std::vector<std::string> found;
    for (std::size_t at = format.find('%'); at != std::string::npos; at = format.find('%', at)) {
        const std::size_t end = format.find_first_of("%diouxXeEfFgGaAcspn", at + 1);
        const std::size_t stop = end == std::string::npos ? format.size() : end + 1;
        found.push_back(format.substr(at, stop - at));
        at = stop;
    }
    return found;
}

TEST(TextTables, EveryIdHasAChineseAndAnEnglishText) {
    for (const TextId id : AllIds()) {
        for (const Language language : {Language::Chinese, Language::English}) {
            const char* text = res::Text(id, language);
            ASSERT_NE(text, nullptr) << "id " << static_cast<int>(id);
            EXPECT_NE(std::string(text), "") << "id " << static_cast<int>(id);
            EXPECT_TRUE(cjk::CodePoints(text)) << "not UTF-8: " << text;
        }
    }
}

TEST(TextTables, NoEnglishTextHoldsACjkCharacter) {
    for (const TextId id : AllIds()) {
        const std::string text = res::Text(id, Language::English);
        EXPECT_FALSE(cjk::HoldsCjk(text)) << "id " << static_cast<int>(id) << ": " << text;
    }
}

TEST(TextTables, PlaceholdersMatchInNumberAndKind) {
    int formats = 0;
    for (const TextId id : AllIds()) {
        const auto chinese = Placeholders(res::Text(id, Language::Chinese));
        EXPECT_EQ(Placeholders(res::Text(id, Language::English)), chinese)
            << "id " << static_cast<int>(id) << ": " << res::Text(id, Language::English);
        formats += chinese.empty() ? 0 : 1;
    }
    EXPECT_GT(formats, 0) << "the scan finds the formats' placeholders";
}

TEST(TextTables, PlaceholderScanTellsKindsApart) {
    EXPECT_EQ(Placeholders("%s %dms 不在 %d~%dms"),
              (std::vector<std::string>{"%s", "%d", "%d", "%d"}));
    EXPECT_EQ(Placeholders("->%02X,%02X ,时间 %ldms 100%%"),
              (std::vector<std::string>{"%02X", "%02X", "%ld", "%%"}));
    EXPECT_NE(Placeholders("%d %s"), Placeholders("%s %d"));
}

TEST(TextTables, CjkScanFindsHanFullWidthPunctuationAndBrokenUtf8) {
    for (const char* text : {"闭", "a：b", "a，b", "【x】", "\xE9\x97"}) {
        EXPECT_TRUE(cjk::HoldsCjk(text)) << text;
    }
    EXPECT_FALSE(cjk::HoldsCjk("Port opened (0x00-0xFE), 5ms — ok"));
}

TEST(TextTables, TheCurrentLanguageChoosesTheTable) {
    EXPECT_EQ(res::CurrentLanguage(), Language::Chinese) << "Chinese until changed";
    EXPECT_STREQ(res::Text(TextId::LogPortOpened), "[串口已打开]");
    res::SetLanguage(Language::English);
    EXPECT_STREQ(res::Text(TextId::LogPortOpened), "[Port opened]");
    EXPECT_EQ(res::FormatText(TextId::LogSendLine, 0xA5, 0x00, 0x01, 0x02, 0x03, 0xFE, 0x10),
              "->Sent:A5,00,01,02,03,FE,10");
    res::SetLanguage(Language::Chinese);
    EXPECT_EQ(res::FormatText(TextId::LogRawTime, 12L), ",时间 12ms");
}

struct ChoiceCase {
    std::vector<const char*> arguments;
    const char* environment;
    Language language;
    const char* error;  // a part of the usage message; empty when there is none
};

TEST(LanguageChoice, FlagThenEnvironmentThenChinese) {
    const std::vector<ChoiceCase> cases = {
        {{}, nullptr, Language::Chinese, ""},
        {{"--lang", "en"}, nullptr, Language::English, ""},
        {{"--lang=en"}, nullptr, Language::English, ""},
        {{"--lang", "zh"}, "en", Language::Chinese, ""},
        {{"--port", "x", "--lang=zh", "--lang", "en"}, nullptr, Language::English, ""},
        {{}, "en", Language::English, ""},
        {{}, "zh", Language::Chinese, ""},
        {{"--", "--lang", "en"}, nullptr, Language::Chinese, ""},
        {{"--langs", "en"}, nullptr, Language::Chinese, ""},
        {{"--lang", "fr"}, "en", Language::Chinese, "--lang: 'fr' is neither zh nor en"},
        {{"--lang=EN"}, nullptr, Language::Chinese, "--lang: 'EN'"},
        {{"--lang"}, nullptr, Language::Chinese, "--lang: ''"},
        {{"--lang", "en"}, "fr", Language::English, ""},
        {{}, "english", Language::Chinese, "VELKARO_LANG: 'english' is neither zh nor en"},
        {{}, "", Language::Chinese, "VELKARO_LANG: ''"},
    };
    for (const ChoiceCase& c : cases) {
        std::vector<const char*> argv = {"program"};
        argv.insert(argv.end(), c.arguments.begin(), c.arguments.end());
        const res::LanguageChoice choice =
            res::ChooseLanguage(static_cast<int>(argv.size()), argv.data(), c.environment);
        const std::string where = testing::PrintToString(c.arguments) +
                                  " VELKARO_LANG=" + (c.environment ? c.environment : "(unset)");
        EXPECT_EQ(choice.language, c.language) << where;
        if (*c.error == '\0') {
            EXPECT_EQ(choice.error, "") << where;
        } else {
            EXPECT_NE(choice.error.find(c.error), std::string::npos)
                << where << ": " << choice.error;
        }
    }
}

}  // namespace
