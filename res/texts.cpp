#include "res/texts.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

#include "res/text_table.h"

namespace res {

namespace {

std::atomic<Language> g_language{Language::Chinese};

constexpr const char* kLanguageOption = "--lang";

// The value of `--lang CODE` or `--lang=CODE`; the last one wins, as with other options.
std::optional<std::string> LanguageArgument(int argc, const char* const* argv) {
    std::optional<std::string> value;
    const std::size_t optionLength = std::strlen(kLanguageOption);
    for (int i = 1; i < argc && std::string_view(argv[i]) != "--"; ++i) {
        const std::string_view word = argv[i];
        if (word == kLanguageOption) {
            value = i + 1 < argc ? argv[++i] : "";
        } else if (word.starts_with(kLanguageOption) && word[optionLength] == '=') {
            value = std::string(word.substr(optionLength + 1));
        }
    }
    return value;
}

}  // namespace

Language CurrentLanguage() {
    return g_language.load(std::memory_order_relaxed);
}

void SetLanguage(Language language) {
    g_language.store(language, std::memory_order_relaxed);
}

const char* Text(TextId id, Language language) {
    const std::size_t index = static_cast<std::size_t>(id);
    const char* chinese = kChineseTexts[index].text;
    return language == Language::Chinese && chinese != kEnglishInBoth ? chinese
                                                                      : kEnglishTexts[index].text;
}

std::optional<Language> ParseLanguage(std::string_view code) {
    if (code == "zh") {
        return Language::Chinese;
    }
    if (code == "en") {
        return Language::English;
    }
    return std::nullopt;
}

LanguageChoice ChooseLanguage(int argc, const char* const* argv, const char* environment) {
    const std::optional<std::string> argument = LanguageArgument(argc, argv);
    const std::string code = argument ? *argument : environment ? environment : "zh";
    if (const auto language = ParseLanguage(code)) {
        return {*language, ""};
    }
    const std::string source = argument ? kLanguageOption : "VELKARO_LANG";
    char message[256];
    std::snprintf(message, sizeof message, Text(TextId::MsgBadLanguage), source.c_str(),
                  code.c_str());
    return {Language::Chinese, message};
}

bool StartInChosenLanguage(int argc, const char* const* argv, std::string& error) {
    const LanguageChoice choice = ChooseLanguage(argc, argv, std::getenv("VELKARO_LANG"));
    SetLanguage(choice.language);
    error = choice.error;
    return error.empty();
}

}  // namespace res
