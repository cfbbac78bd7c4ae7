#include "record/inbound_framer.h"

void InboundFramer::Feed(uint8_t b, WallClock::time_point time) {
    const bool expectingHead = m_parser.State() == 0;
    ParsedFrame ignored{};
    m_parser.Feed(b, ignored);
    const bool frameOpen = m_parser.State() != 0;
    if (expectingHead && !frameOpen) {
        m_noise.push_back(b);
        m_noiseTime = time;
        return;
    }
    if (expectingHead) {
        EndNoise();
    }
    m_frame[m_frameCount++] = b;
    m_frameTime = time;
    if (!frameOpen) {  // the checksum byte, matching or not, ends the frame
        Hand(m_frame.data(), m_frameCount, time);
        m_frameCount = 0;
    }
}

void InboundFramer::EndNoise() {
    if (!m_noise.empty()) {
        Hand(m_noise.data(), m_noise.size(), m_noiseTime);
        m_noise.clear();
    }
}

void InboundFramer::Finish() {
    EndNoise();
    if (m_frameCount != 0) {
        Hand(m_frame.data(), m_frameCount, m_frameTime);
        m_frameCount = 0;
        m_parser = ReplyParser{};
    }
}

void InboundFramer::Hand(const uint8_t* bytes, std::size_t count, WallClock::time_point time) {
    m_sink.WritePacket(time, PacketDirection::Inbound, bytes, count);
}
