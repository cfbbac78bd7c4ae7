#include "console/dialog/qt/line_store.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {
constexpr size_t kBlockSize = size_t{1} << 20;
// A longer line is kept to this length so that its offset and length fit the index.
constexpr size_t kMaxLineLength = std::numeric_limits<uint32_t>::max();
}  // namespace

LineStore::Block& LineStore::BlockWithRoomFor(size_t length) {
    if (m_blocks.empty() || m_blocks.back().capacity - m_blocks.back().used < length) {
        const size_t capacity = std::max(kBlockSize, length);
        m_blocks.push_back({std::make_unique_for_overwrite<char[]>(capacity), capacity, 0});
    }
    return m_blocks.back();
}

void LineStore::Append(std::string_view line) {
    line = line.substr(0, kMaxLineLength);
    Block& block = BlockWithRoomFor(line.size());
    std::memcpy(block.bytes.get() + block.used, line.data(), line.size());
    m_lines.push_back({static_cast<uint32_t>(m_blocks.size() - 1),
                       static_cast<uint32_t>(block.used), static_cast<uint32_t>(line.size())});
    block.used += line.size();
}

std::string_view LineStore::Line(size_t index) const {
    const LineRef& ref = m_lines[index];
    return {m_blocks[ref.block].bytes.get() + ref.offset, ref.length};
}
