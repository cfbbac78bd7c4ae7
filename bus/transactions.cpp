#include "bus/transactions.h"

#include <algorithm>
#include <cstdio>
#include <optional>

#include "bus/transaction_loop.h"

namespace {

const std::vector<std::string> kUnlockPowerNotes = {
    ":!!!  1. 选择功率足够大的电源",
    ":!!!  2. 如果节点很多，因为电线存在线损，需要考虑中间节点中继供电",
    ":!!!  3. "
    "设置好开锁前后间隔时间(最小开锁时间),较大的间隔可以分散功耗，但是会增加开锁时间，平衡好！",
    ":!!!  4. 有的品牌的电磁锁通电时间过长会烧毁，设置好最长开锁时间",
    ":!!! 对于带反馈的锁，一单锁打开，控制板会立即停止通电，结束开锁，设置好反馈极性很重要！！",
    ":!!! 对于不带反馈的锁，锁会按最大通电时间进行通电，要非常小心！！！！",
};

constexpr uint32_t kSchedulingMarginMs = 200;
constexpr uint32_t kStatusReplyWindowMs = 5;

struct ParameterRange {
    const char* label;
    int32_t min;
    int32_t max;
};

constexpr ParameterRange kMaxOnTimeRange{"开锁最长通电时间", kMaxOnTimeMin, kMaxOnTimeMax};
constexpr ParameterRange kIntervalRange{"开锁间隔时间", kIntervalMin, kIntervalMax};

// A failed data exchange can leave a field's value outside its range; such a value would go on
// the wire wrapped to 8 bits or turn the deadline into weeks, so the run is refused instead.
std::optional<std::string> OutOfRangeLine(const ParameterRange& range, int32_t value) {
    if (value >= range.min && value <= range.max) {
        return std::nullopt;
    }
    char line[160];
    std::snprintf(line, sizeof line, "!!--参数超出范围：%s %dms 不在 %d~%dms 之内，不发送--!!",
                  range.label, value, range.min, range.max);
    return std::string(line);
}

// Appends the refusal and the end line when a parameter is out of range; true when refused.
bool RefuseOutOfRange(IOperatorConsole& console, const std::string& title,
                      const std::string& endLine,
                      std::initializer_list<std::pair<ParameterRange, int32_t>> checks) {
    for (const auto& [range, value] : checks) {
        if (auto line = OutOfRangeLine(range, value)) {
            console.AppendLog(title);
            console.AppendLog(*line);
            console.AppendLog(endLine);
            return true;
        }
    }
    return false;
}

// The interval as the deadline reads it after the send; kept inside its range so that a value
// changed mid-run by a failed exchange cannot stretch the wait.
uint32_t IntervalForDeadline(const ControlParameters& params) {
    return static_cast<uint32_t>(
        std::clamp<int32_t>(params.m_nInterval, kIntervalMin, kIntervalMax));
}

UnlockSettings ReadUnlockSettings(const ControlParameters& params) {
    return UnlockSettings{params.m_nMaxOnTime, params.m_nInterval, params.m_bFeedback,
                          params.m_nPolarity};
}

std::vector<std::string> WithNotes(std::vector<std::string> lines,
                                   const std::vector<std::string>& notes) {
    lines.insert(lines.end(), notes.begin(), notes.end());
    return lines;
}

}  // namespace

uint32_t GroupStatusDeadlineMs(const ControlParameters& params) {
    return (params.m_byMaxAddr + 1u) * kStatusReplyWindowMs + kSchedulingMarginMs;
}

uint32_t GroupUnlockDeadlineMs(const ControlParameters& params) {
    return (params.m_byMaxAddr + 1u) * IntervalForDeadline(params) + kSchedulingMarginMs;
}

uint32_t SingleNodeDeadlineMs(const ControlParameters& params) {
    return IntervalForDeadline(params) + kSchedulingMarginMs;
}

namespace {

// The lines an unlock logs around the power notes that every unlock shares.
struct UnlockTexts {
    std::string title;
    std::string powerWarning;
    std::vector<std::string> closingNotes;
    std::string endLine;
};

// Both unlocks: the settings read once, refused when out of range, sent to `address`.
TransactionEnd RunUnlock(IOperatorConsole& console, uint8_t address, const UnlockTexts& texts,
                         uint32_t (*deadlineMs)(const ControlParameters&)) {
    ControlParameters& params = console.Parameters();
    const UnlockSettings settings = ReadUnlockSettings(params);
    if (RefuseOutOfRange(
            console, texts.title, texts.endLine,
            {{kMaxOnTimeRange, settings.maxOnTimeMs}, {kIntervalRange, settings.intervalMs}})) {
        return TransactionEnd::Ended;
    }
    const HostFrame frame = BuildUnlockFrame(address, settings);
    return RunTransaction(
        console, TransactionPlan{
                     frame,
                     WithNotes(WithNotes({texts.title, SendLine(frame), texts.powerWarning},
                                         kUnlockPowerNotes),
                               texts.closingNotes),
                     [&params, deadlineMs] { return deadlineMs(params); },
                     false,
                     texts.endLine,
                 });
}

}  // namespace

TransactionEnd GroupGetStatus(IOperatorConsole& console) {
    ControlParameters& params = console.Parameters();
    return RunTransaction(
        console, TransactionPlan{
                     BuildStatusFrame(ADDR_BROADCAST),
                     {
                         "[群体获取状态]",
                         "->串口发送:0xA5,0xff,0x00,0x00,0x00,0x00,0xa4",
                         ":接收群体状态(根据地址依次发送，每个设备5ms时间窗口，最大等待时间("
                         "最大地址254+1)*5=1255ms,可以根据实际接入最大地址调整",
                         ":设备最大地址越小，等待接收时间越短",
                         ":例如只有1台设备且地址为0x00，等待时间为5ms，如果设备地址为0xf0(250),"
                         "那么等待时间依然很长(1250ms)",
                         ":考虑到上位机windows系统非实时性，需要考虑增加额外的等待时间，这一块需"
                         "要根据不同的系统评估",
                     },
                     [&params] { return GroupStatusDeadlineMs(params); },
                     true,
                     "[--完毕：群体获取状态--]",
                 });
}

TransactionEnd GroupUnlock(IOperatorConsole& console) {
    return RunUnlock(
        console, ADDR_BROADCAST,
        UnlockTexts{"[群体开锁]",
                    ":!!!群体开锁，瞬时功率极大",
                    {"单节点的开锁时间为开锁间隔时间(最小开锁时间),群体开锁的最大等待时间为 "
                     "(最大地址+1)*开锁间隔时间，再加上一个额外的操作系统非实时延迟余量"},
                    "[--完毕：群体开锁--]"},
        GroupUnlockDeadlineMs);
}

TransactionEnd SingleGetStatus(IOperatorConsole& console) {
    ControlParameters& params = console.Parameters();
    const std::string title = "[单点获取状态]";
    const std::string endLine = "[--完毕：单点获取状态--]";
    if (RefuseOutOfRange(console, title, endLine, {{kIntervalRange, params.m_nInterval}})) {
        return TransactionEnd::Ended;
    }
    const HostFrame frame = BuildStatusFrame(params.m_bySelAddr);
    return RunTransaction(console,
                          TransactionPlan{
                              frame,
                              {title, SendLine(frame), ":单点获取状态只需要等待一个节点时间"},
                              [&params] { return SingleNodeDeadlineMs(params); },
                              true,
                              endLine,
                          });
}

TransactionEnd SingleUnlock(IOperatorConsole& console) {
    return RunUnlock(
        console, console.Parameters().m_bySelAddr,
        UnlockTexts{"[单点开锁]", ":!!!单点开锁功率也不容忽视", {}, "[--完毕：单点开锁--]"},
        SingleNodeDeadlineMs);
}
