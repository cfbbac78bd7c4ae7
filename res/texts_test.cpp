#include "res/texts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

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

// The code points of a UTF-8 text; nothing when it is not valid UTF-8.
std::optional<std::vector<char32_t>> CodePoints(const std::string& text) {
    std::vector<char32_t> points;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const int length = lead < 0x80       ? 1
                           : lead >> 5 == 6  ? 2
                           : lead >> 4 == 14 ? 3
                           : lead >> 3 == 30 ? 4
                                             : 0;
        if (length == 0 || i + length > text.size()) {
            return std::nullopt;
        }
        char32_t point = length == 1 ? lead : lead & (0x7F >> length);
        for (int k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if (next >> 6 != 2) {
                return std::nullopt;
            }
            point = point << 6 | (next & 0x3F);
        }
        points.push_back(point);
        i += length;
    }
    return points;
}

// Han, kana, CJK punctuation and the full-width forms (such as "：" and "，").
bool IsCjk(char32_t c) {
    return (c >= 0x2E80 && c <= 0x9FFF) || (c >= 0xF900 && c <= 0xFAFF) ||
           (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFFEF) ||
           (c >= 0x20000 && c <= 0x3FFFF);
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
            EXPECT_TRUE(CodePoints(text)) << "not UTF-8: " << text;
        }
    }
}

TEST(TextTables, NoEnglishTextHoldsACjkCharacter) {
    for (const TextId id : AllIds()) {
        const std::string text = res::Text(id, Language::English);
        for (const char32_t c : CodePoints(text).value_or(std::vector<char32_t>{})) {
            EXPECT_FALSE(IsCjk(c)) << "id " << static_cast<int>(id) << ": " << text;
        }
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

TEST(TextTables, CjkScanFindsHanAndFullWidthPunctuation) {
    for (const char* text : {"闭", "a：b", "a，b", "【x】"}) {
        const auto points = CodePoints(text);
        ASSERT_TRUE(points);
        EXPECT_TRUE(std::any_of(points->begin(), points->end(), IsCjk)) << text;
    }
    const auto plain = CodePoints("Port opened (0x00-0xFE), 5ms — ok");
    ASSERT_TRUE(plain);
    EXPECT_FALSE(std::any_of(plain->begin(), plain->end(), IsCjk));
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
