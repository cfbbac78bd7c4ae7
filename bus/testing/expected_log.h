// Expected log lines of the transactions, for tests that check a whole log: the fixed lines
// as they are, and each raw line's arrival time matched by its shape.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bus/testing/log_text.h"

namespace expected_log {

using Lines = std::vector<std::string>;

inline const Lines kGroupStatusAnnouncement = {
    "[群体获取状态]",
    "->串口发送:0xA5,0xff,0x00,0x00,0x00,0x00,0xa4",
    ":接收群体状态(根据地址依次发送，每个设备5ms时间窗口，最大等待时间(最大地址254+1)*5=1255ms,"
    "可以根据实际接入最大地址调整",
    ":设备最大地址越小，等待接收时间越短",
    ":例如只有1台设备且地址为0x00，等待时间为5ms，如果设备地址为0xf0(250),那么等待时间依然很长("
    "1250ms)",
    ":考虑到上位机windows系统非实时性，需要考虑增加额外的等待时间，这一块需要根据不同的系统评估",
};

// The operator notes on power and timing of an unlock.
inline const Lines kUnlockNotes = {
    ":!!!  1. 选择功率足够大的电源",
    ":!!!  2. 如果节点很多，因为电线存在线损，需要考虑中间节点中继供电",
    ":!!!  3. "
    "设置好开锁前后间隔时间(最小开锁时间),较大的间隔可以分散功耗，但是会增加开锁时间，平衡好！",
    ":!!!  4. 有的品牌的电磁锁通电时间过长会烧毁，设置好最长开锁时间",
    ":!!! 对于带反馈的锁，一单锁打开，控制板会立即停止通电，结束开锁，设置好反馈极性很重要！！",
    ":!!! 对于不带反馈的锁，锁会按最大通电时间进行通电，要非常小心！！！！",
};

// Where a line's elapsed milliseconds stand; they depend on the nodes' timing.
inline const std::string kMsHole = "{ms}";

// The four lines of one completed frame.
inline Lines FrameLines(const std::string& rawBytes, const std::string& parsed) {
    return {kLogFrameComplete, std::string(kLogRawPrefix) + rawBytes + ",时间 {ms}ms", kLogParsed,
            parsed};
}

// The frame lines of a status reply from `address` with lock state `state`.
inline Lines StatusReplyLines(int address, int state) {
    char raw[32];
    char parsed[64];
    const int checksum = (0x5A + address + state) & 0xFF;
    std::snprintf(raw, sizeof raw, "5A %02X 00 %02X %02X ", address, state, checksum);
    std::snprintf(parsed, sizeof parsed, "header=5A,addr=%02X,cmd=00,rsp_param[0]=%02X", address,
                  state);
    return FrameLines(raw, parsed);
}

inline bool LineMatches(const std::string& got, const std::string& want) {
    const auto hole = want.find(kMsHole);
    if (hole == std::string::npos) {
        return got == want;
    }
    const std::string prefix = want.substr(0, hole);
    const std::string suffix = want.substr(hole + kMsHole.size());
    return got.size() > prefix.size() + suffix.size() && got.starts_with(prefix) &&
           got.ends_with(suffix) &&
           std::all_of(got.begin() + static_cast<long>(prefix.size()),
                       got.end() - static_cast<long>(suffix.size()),
                       [](char c) { return c >= '0' && c <= '9'; });
}

inline testing::AssertionResult LogMatches(const Lines& actual, const Lines& expected) {
    if (actual.size() != expected.size()) {
        return testing::AssertionFailure() << actual.size() << " lines, not " << expected.size()
                                           << ": " << testing::PrintToString(actual);
    }
    for (size_t i = 0; i < actual.size(); ++i) {
        if (!LineMatches(actual[i], expected[i])) {
            return testing::AssertionFailure()
                   << "line " << i + 1 << ": \"" << actual[i] << "\", not \"" << expected[i] << '"';
        }
    }
    return testing::AssertionSuccess();
}

}  // namespace expected_log
