// Append-only store of text lines (UTF-8). Lines sit back to back in large blocks, so a
// million lines cost their bytes plus a few bytes each, and appending never moves old lines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string_view>
#include <vector>

class LineStore {
  public:
    void Append(std::string_view line);
    size_t Count() const { return m_lines.size(); }
    std::string_view Line(size_t index) const;

  private:
    struct Block {
        std::unique_ptr<char[]> bytes;
        size_t capacity;
        size_t used;
    };
    struct LineRef {
        uint32_t block;
        uint32_t offset;
        uint32_t length;
    };

    Block& BlockWithRoomFor(size_t length);

    std::vector<Block> m_blocks;
    std::deque<LineRef> m_lines;  // a deque grows without copying what it holds
};
