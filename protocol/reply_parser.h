// Byte-at-a-time recogniser of host-headed and reply frames in a received stream.
#pragma once

#include <array>
#include <cstdint>

struct ParsedFrame {
    uint8_t head;
    uint8_t address;
    uint8_t command;
    std::array<uint8_t, 3> param;
};

class ReplyParser {
  public:
    // True when b completes a frame whose checksum matches; `out` is written only then.
    bool Feed(uint8_t b, ParsedFrame& out);

    uint8_t State() const { return m_state; }

  private:
    uint8_t m_state = 0;
    uint8_t m_sum = 0;
    std::array<uint8_t, 6> m_store{};
};

// The one parser of the process. Its state outlives every transaction and port opening:
// a frame cut off at the end of one run is completed (or rejected) by the next run's bytes.
bool ParseReplyByte(uint8_t b, uint8_t& head, uint8_t& address, uint8_t& command,
                    uint8_t rsp_param[3]);
