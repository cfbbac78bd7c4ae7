// Cuts the received bytes into packets as the reply framing sees them: a 5-byte reply frame, a
// 7-byte host-headed frame (whether or not its checksum matches), or a run of bytes that makes
// no frame. It runs its own parser, so that the transactions' parser is not disturbed.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "protocol/frame.h"
#include "protocol/reply_parser.h"
#include "record/pcapng_writer.h"

class InboundFramer {
  public:
    explicit InboundFramer(PacketSink& sink) : m_sink(sink) {}

    // A byte as it was read, at `time`. A frame goes to the sink with its last byte, stamped
    // with that byte's time; a run of bytes that makes no frame goes when the next frame
    // starts or at EndNoise().
    void Feed(uint8_t b, WallClock::time_point time);
    // Hands over the run of bytes that makes no frame so far: when a transaction ends, before a
    // frame is sent. A frame cut off in the middle stays, to be completed by later bytes, as
    // the transactions' parser completes it.
    void EndNoise();
    // Hands over everything held, a frame cut off included, as bytes that make no frame.
    void Finish();

  private:
    void Hand(const uint8_t* bytes, std::size_t count, WallClock::time_point time);

    PacketSink& m_sink;
    ReplyParser m_parser;
    std::vector<uint8_t> m_noise;
    WallClock::time_point m_noiseTime;
    std::array<uint8_t, kHostFrameSize> m_frame{};
    std::size_t m_frameCount = 0;
    WallClock::time_point m_frameTime;
};
