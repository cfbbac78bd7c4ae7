// For tests of the English texts: the code points of a UTF-8 text and whether one is CJK.
#pragma once

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace cjk {

// The code points of a UTF-8 text; nothing when it is not valid UTF-8.
inline std::optional<std::vector<char32_t>> CodePoints(const std::string& text) {
    std::vector<char32_t> points;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80         ? 1
                                   : lead >> 5 == 0x06 ? 2
                                   : lead >> 4 == 0x0E ? 3
                                   : lead >> 3 == 0x1E ? 4
                                                       : 0;
        if (length == 0 || i + length > text.size()) {
            return std::nullopt;
        }
        char32_t point = length == 1 ? lead : lead & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) {
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
inline bool IsCjk(char32_t c) {
    return (c >= 0x2E80 && c <= 0x9FFF) || (c >= 0xF900 && c <= 0xFAFF) ||
           (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFFEF) ||
           (c >= 0x20000 && c <= 0x3FFFF);
}

// True when the text holds a CJK character, or is not UTF-8 at all.
inline bool HoldsCjk(const std::string& text) {
    const auto points = CodePoints(text);
    return !points || std::any_of(points->begin(), points->end(), IsCjk);
}

}  // namespace cjk
