#include "bus/transactions.h"

#include <algorithm>
#include <optional>

#include "bus/transaction_loop.h"
#include "res/texts.h"

namespace {

using res::Text;
using res::TextId;

// The operator notes on power and timing that every unlock logs.
std::vector<std::string> UnlockPowerNotes() {
    return {Text(TextId::LogUnlockPowerNote1), Text(TextId::LogUnlockPowerNote2),
            Text(TextId::LogUnlockPowerNote3), Text(TextId::LogUnlockPowerNote4),
            Text(TextId::LogUnlockPowerNote5), Text(TextId::LogUnlockPowerNote6)};
}

constexpr uint32_t kSchedulingMarginMs = 200;
constexpr uint32_t kStatusReplyWindowMs = 5;

struct ParameterRange {
    TextId label;
    int32_t min;
    int32_t max;
};

constexpr ParameterRange kMaxOnTimeRange{TextId::ParamMaxOnTime, kMaxOnTimeMin, kMaxOnTimeMax};
constexpr ParameterRange kIntervalRange{TextId::ParamInterval, kIntervalMin, kIntervalMax};

// A failed data exchange can leave a field's value outside its range; such a value would go on
// the wire wrapped to 8 bits or turn the deadline into weeks, so the run is refused instead.
std::optional<std::string> OutOfRangeLine(const ParameterRange& range, int32_t value) {
    if (value >= range.min && value <= range.max) {
        return std::nullopt;
    }
    return res::FormatText(TextId::LogOutOfRange, Text(range.label), value, range.min, range.max);
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
                                         UnlockPowerNotes()),
                               texts.closingNotes),
                     [&params, deadlineMs] { return deadlineMs(params); },
                     false,
                     texts.endLine,
                 });
}

}  // namespace

TransactionEnd GroupGetStatus(IOperatorConsole& console) {
    ControlParameters& params = console.Parameters();
    return RunTransaction(console, TransactionPlan{
                                       BuildStatusFrame(ADDR_BROADCAST),
                                       {
                                           Text(TextId::LogGroupStatusTitle),
                                           Text(TextId::LogGroupStatusSend),
                                           Text(TextId::LogGroupStatusNote1),
                                           Text(TextId::LogGroupStatusNote2),
                                           Text(TextId::LogGroupStatusNote3),
                                           Text(TextId::LogGroupStatusNote4),
                                       },
                                       [&params] { return GroupStatusDeadlineMs(params); },
                                       true,
                                       Text(TextId::LogGroupStatusEnd),
                                   });
}

TransactionEnd GroupUnlock(IOperatorConsole& console) {
    return RunUnlock(console, ADDR_BROADCAST,
                     UnlockTexts{Text(TextId::LogGroupUnlockTitle),
                                 Text(TextId::LogGroupUnlockPower),
                                 {Text(TextId::LogGroupUnlockNote)},
                                 Text(TextId::LogGroupUnlockEnd)},
                     GroupUnlockDeadlineMs);
}

TransactionEnd SingleGetStatus(IOperatorConsole& console) {
    ControlParameters& params = console.Parameters();
    const std::string title = Text(TextId::LogSingleStatusTitle);
    const std::string endLine = Text(TextId::LogSingleStatusEnd);
    if (RefuseOutOfRange(console, title, endLine, {{kIntervalRange, params.m_nInterval}})) {
        return TransactionEnd::Ended;
    }
    const HostFrame frame = BuildStatusFrame(params.m_bySelAddr);
    return RunTransaction(console, TransactionPlan{
                                       frame,
                                       {title, SendLine(frame), Text(TextId::LogSingleStatusNote)},
                                       [&params] { return SingleNodeDeadlineMs(params); },
                                       true,
                                       endLine,
                                   });
}

TransactionEnd SingleUnlock(IOperatorConsole& console) {
    return RunUnlock(console, console.Parameters().m_bySelAddr,
                     UnlockTexts{Text(TextId::LogSingleUnlockTitle),
                                 Text(TextId::LogSingleUnlockPower),
                                 {},
                                 Text(TextId::LogSingleUnlockEnd)},
                     SingleNodeDeadlineMs);
}
