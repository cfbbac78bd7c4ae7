// A second, deliberately different reading of the frame rules, for the fuzzers to hold the real
// parser against: it keeps the bytes of the frame under way and judges a frame only when its
// last byte arrives, instead of stepping a state number and a running sum.
#pragma once

#include <array>
#include <cstdint>
#include <numeric>
#include <optional>
#include <vector>

struct ReferenceFrame {
    uint8_t head;
    uint8_t address;
    uint8_t command;
    std::array<uint8_t, 3> param;
};

class ReferenceParser {
  public:
    std::optional<ReferenceFrame> Feed(uint8_t b) {
        if (m_frame.empty()) {
            if (b == 0xA5 || b == 0x5A) {
                Keep(b);
            }
            return std::nullopt;
        }
        if (m_frame.size() + 1 < FrameLength()) {
            Keep(b);
            return std::nullopt;
        }
        // The last byte is the checksum; it is used up whether it matches or not.
        const uint8_t sum =
            static_cast<uint8_t>(std::accumulate(m_frame.begin(), m_frame.end(), 0u));
        m_frame.clear();
        if (b != sum) {
            return std::nullopt;
        }
        // A reply fills only parameter 0; parameters 1 and 2 are what the last host-headed
        // frame to reach them left behind, or zero.
        return ReferenceFrame{m_kept[0], m_kept[1], m_kept[2], {m_kept[3], m_kept[4], m_kept[5]}};
    }

    // Which byte of a frame comes next, counted as the real parser counts: 0 while hunting for
    // a head, 6 for every checksum byte.
    uint8_t Expecting() const {
        if (m_frame.empty()) {
            return 0;
        }
        return m_frame.size() + 1 == FrameLength() ? 6 : static_cast<uint8_t>(m_frame.size());
    }

  private:
    std::size_t FrameLength() const { return m_frame.front() == 0x5A ? 5 : 7; }

    void Keep(uint8_t b) {
        m_kept[m_frame.size()] = b;
        m_frame.push_back(b);
    }

    std::vector<uint8_t> m_frame;
    std::array<uint8_t, 6> m_kept{};
};
