// How texts_zh.cpp and texts_en.cpp lay out their tables; for res/ alone.
#pragma once

#include <cstddef>
#include <span>

#include "res/texts.h"

namespace res {

struct TextEntry {
    TextId id;
    const char* text;
};

inline constexpr std::size_t kTextCount = static_cast<std::size_t>(TextId::Count);

// The Chinese entry of a text the command line keeps in English in both languages: its help
// and its own messages sit among the English of its option names and of its argument parser.
inline constexpr const char* kEnglishInBoth = nullptr;

// A table holds each id once, in the order of TextId, so that an id indexes it. Only the
// Chinese table may defer to the English one.
template <std::size_t N>
constexpr bool InIdOrder(const TextEntry (&entries)[N], bool mayDeferToEnglish) {
    if (N != kTextCount) {
        return false;
    }
    for (std::size_t i = 0; i < N; ++i) {
        if (static_cast<std::size_t>(entries[i].id) != i ||
            (entries[i].text == nullptr && !mayDeferToEnglish)) {
            return false;
        }
    }
    return true;
}

extern const std::span<const TextEntry, kTextCount> kChineseTexts;
extern const std::span<const TextEntry, kTextCount> kEnglishTexts;

}  // namespace res
