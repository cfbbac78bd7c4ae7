// What the serial link hands its monitor hooks, recorded for the tests of every OS.
#pragma once

#include <chrono>
#include <cstdint>
#include <vector>

struct HookCall {
    std::vector<uint8_t> bytes;
    uint32_t count;
};
inline std::vector<HookCall> g_txCalls;
inline std::vector<HookCall> g_rxCalls;

inline void RecordTx(const uint8_t* bytes, uint32_t count) {
    g_txCalls.push_back({{bytes, bytes + count}, count});
}
inline void RecordRx(const uint8_t* bytes, uint32_t count) {
    g_rxCalls.push_back({{bytes, bytes + count}, count});
}

inline std::chrono::milliseconds Since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start);
}
