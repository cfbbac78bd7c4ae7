// Node bus frames: the 7-byte host frame and the 5-byte reply frame.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

inline constexpr uint8_t FRAME_HEAD_HOST = 0xA5;
inline constexpr uint8_t FRAME_HEAD_NODE = 0x5A;
inline constexpr uint8_t ADDR_BROADCAST = 0xFF;
inline constexpr uint8_t CMD_GET_STATUS = 0x00;
inline constexpr uint8_t CMD_UNLOCK = 0x01;

inline constexpr std::size_t kHostFrameSize = 7;
inline constexpr std::size_t kReplyFrameSize = 5;

// Parameter 2 of an unlock when the lock has no feedback contact.
inline constexpr uint8_t kUnlockNoFeedback = 0xFF;

using HostFrame = std::array<uint8_t, kHostFrameSize>;
using ReplyFrame = std::array<uint8_t, kReplyFrameSize>;

// Low 8 bits of the unsigned sum of the bytes, head included.
uint8_t FrameChecksum(const uint8_t* bytes, std::size_t count);

// The operator's unlock settings as the window holds them.
struct UnlockSettings {
    int32_t maxOnTimeMs;
    int32_t intervalMs;
    int32_t feedback;  // nonzero: the lock has a feedback contact
    int32_t polarity;  // 0: a locked lock reads 0; 1: it reads 1
};

HostFrame BuildHostFrame(uint8_t address, uint8_t command, uint8_t param0, uint8_t param1,
                         uint8_t param2);
HostFrame BuildStatusFrame(uint8_t address);
HostFrame BuildUnlockFrame(uint8_t address, const UnlockSettings& settings);

ReplyFrame BuildReplyFrame(uint8_t address, uint8_t command, uint8_t param0);
