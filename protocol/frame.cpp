#include "protocol/frame.h"

#include <numeric>

uint8_t FrameChecksum(const uint8_t* bytes, std::size_t count) {
    const unsigned sum = std::accumulate(bytes, bytes + count, 0u);
    return static_cast<uint8_t>(sum & 0xFFu);
}

HostFrame BuildHostFrame(uint8_t address, uint8_t command, uint8_t param0, uint8_t param1,
                         uint8_t param2) {
    HostFrame frame{FRAME_HEAD_HOST, address, command, param0, param1, param2, 0};
    frame[6] = FrameChecksum(frame.data(), 6);
    return frame;
}

HostFrame BuildStatusFrame(uint8_t address) {
    return BuildHostFrame(address, CMD_GET_STATUS, 0, 0, 0);
}

HostFrame BuildUnlockFrame(uint8_t address, const UnlockSettings& settings) {
    // Integer division truncates toward zero; only the low byte goes on the wire.
    const auto maxOnTime10ms = static_cast<uint8_t>((settings.maxOnTimeMs / 10) & 0xFF);
    const auto interval = static_cast<uint8_t>(settings.intervalMs & 0xFF);
    const auto feedback =
        settings.feedback != 0 ? static_cast<uint8_t>(settings.polarity & 0xFF) : kUnlockNoFeedback;
    return BuildHostFrame(address, CMD_UNLOCK, maxOnTime10ms, interval, feedback);
}

ReplyFrame BuildReplyFrame(uint8_t address, uint8_t command, uint8_t param0) {
    ReplyFrame frame{FRAME_HEAD_NODE, address, command, param0, 0};
    frame[4] = FrameChecksum(frame.data(), 4);
    return frame;
}
