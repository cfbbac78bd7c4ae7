// The texts the program shows to people, one table per language, and the language they are
// shown in. Plain data: the core, the command line and both window backends read the same
// tables. A text with placeholders is a printf format (see FormatText); the tables' test checks
// that both languages have the same placeholders in the same order.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

namespace res {

enum class Language : unsigned char { Chinese, English };

// Every text's id. A new text gets an id here and an entry at the same place in both
// texts_zh.cpp and texts_en.cpp; the tables refuse to build when their order differs.
enum class TextId : unsigned short {
    // The port worker.
    MsgOpenFailed,
    OpenPortButton,
    ClosePortButton,
    LogPortOpened,
    LogPortClosed,
    LogPortGone,
    MsgPortGone,
    MsgWriteError,
    // The transactions' notes, send lines, reply lines and end lines.
    LogGroupStatusTitle,
    LogGroupStatusSend,
    LogGroupStatusNote1,
    LogGroupStatusNote2,
    LogGroupStatusNote3,
    LogGroupStatusNote4,
    LogGroupStatusEnd,
    LogGroupUnlockTitle,
    LogGroupUnlockPower,
    LogGroupUnlockNote,
    LogGroupUnlockEnd,
    LogSingleStatusTitle,
    LogSingleStatusNote,
    LogSingleStatusEnd,
    LogSingleUnlockTitle,
    LogSingleUnlockPower,
    LogSingleUnlockEnd,
    LogUnlockPowerNote1,
    LogUnlockPowerNote2,
    LogUnlockPowerNote3,
    LogUnlockPowerNote4,
    LogUnlockPowerNote5,
    LogUnlockPowerNote6,
    LogOutOfRange,  // parameter name, value, lowest, highest
    ParamMaxOnTime,
    ParamInterval,
    LogSendLine,  // the frame's seven bytes
    LogFrameComplete,
    LogRawPrefix,
    LogRawTime,  // milliseconds since the send
    LogParsed,
    LogHostFrameReceived,
    LogLastNode,
    LogDeadline,
    CellLocked,
    CellOpen,
    // The acceptance run: its log lines, verdicts and reports.
    LogAcceptanceStart,
    LogAcceptanceEnd,
    LogAcceptanceStopped,
    ReasonNoReply,
    ReasonDuplicateAddress,
    ReasonOpenBefore,
    ReasonNoUnlockReply,
    ReasonNoStatusReply,
    ReasonDidNotOpen,
    ReasonDidNotLockAgain,
    VerdictPass,
    VerdictFail,
    VerdictUnverified,
    VerdictUnexpected,
    AcceptanceSummary,  // expected, passed, failed, unverified, unexpected
    ReportHtmlLanguage,
    ReportTitle,
    ReportCabinet,
    ReportOperator,
    ReportStarted,
    ReportFinished,
    ReportPort,
    ReportSettings,
    ReportExpected,
    ReportTool,
    ReportIncomplete,
    ReportSettingsText,  // max address, feedback, polarity, max on-time, interval, close wait, mode
    ReportWithFeedback,
    ReportWithoutFeedback,
    ReportModeEach,
    ReportModeGroup,
    ReportColumnAddress,
    ReportColumnExpected,
    ReportColumnScanReplies,
    ReportColumnBefore,
    ReportColumnReplyMs,
    ReportColumnUnlockReply,
    ReportColumnAfter,
    ReportColumnLockedAgain,
    ReportColumnVerdict,
    ReportColumnReasons,
    Yes,
    No,
    // The language choice at start-up, and the command line's help and own messages.
    MsgBadLanguage,  // where it was given, what was given
    CliHelpLanguage,
    CliHelpDescription,
    CliHelpPort,
    CliHelpMaxAddr,
    CliHelpFeedback,
    CliHelpPolarity,
    CliHelpMaxOnTime,
    CliHelpInterval,
    CliHelpSimulate,
    CliHelpJson,
    CliHelpLog,
    CliHelpTrace,
    CliHelpOperation,
    CliHelpCommission,
    CliHelpExpect,
    CliHelpCabinet,
    CliHelpOperator,
    CliHelpReport,
    CliHelpCloseWait,
    CliHelpMode,
    CliHelpCommissionFooter,
    CliHelpJsonFooter,
    CliHelpExitStatus,
    CliBadDecimal,
    CliNeeds,
    CliIsNot,
    CliWhatNodeAddress,
    CliWhatMilliseconds,
    CliUnknownOperation,
    CliBadMode,
    CliCommissionNeedsExpect,
    CliBadExpect,
    CliBadReportName,
    CliPortAndSimulate,
    CliCommissionAlone,
    CliNoOperation,
    CliPortWentAway,
    CliCannotCreate,
    CliCannotWriteReport,
    CliCabinetDidNotPass,
    CliCannotWriteTrace,
    CliCannotWriteLog,
    CliCannotWriteStdout,
    CliBadSimulate,
    CliSimulatedBusFailed,
    CliNoSimulateOnWindows,
    NodeSimHelpLanguage,
    // The window: the dialogs' captions and their controls' texts.
    DlgMainTitle,
    DlgAboutTitle,
    DlgAcceptanceTitle,
    GroupPolarity,
    RadioLockedClosed,
    RadioLockedOpen,
    CheckFeedback,
    LabelMaxOnTime,
    LabelInterval,
    LabelPort,
    ButtonGroupStatus,
    GroupUnlock,
    LabelMaxAddress,
    GroupSite,
    GroupControl,
    ButtonSingleStatus,
    ButtonSingleUnlock,
    AboutVersion,
    ButtonOk,
    LabelExpect,
    LabelCabinet,
    LabelOperator,
    GroupMode,
    RadioModeEach,
    LabelCloseWait,
    LabelSeconds,
    ButtonStart,
    ButtonStop,
    ButtonSaveReport,
    ButtonClose,
    // The window's menus.
    MenuAbout,
    MenuAcceptance,
    LanguageName,  // the language's own name: the system menu offers the other one
    MenuClose,
    MenuCopy,
    MenuCopyAll,
    MenuSaveLog,
    MenuClearLog,
    MenuTraceStart,
    MenuTraceStop,
    // The window's tables, prompts and message boxes.
    ColumnAddress,
    ColumnStatus,
    ColumnAddressShort,
    ColumnReply,
    ColumnLockedAgain,
    MsgPortNotOpen,
    PromptInteger,
    PromptIntegerRange,  // lowest, highest
    PromptExpect,
    MsgSaveLogFailed,      // the error
    MsgTraceCreateFailed,  // the error
    MsgTraceWriteFailed,   // the error
    MsgReportSaveFailed,   // path, error
    FileKindLog,
    FileKindTrace,
    FileKindHtml,
    FileKindCsv,
    FileKindJson,
    ReportFileName,
    RepliesNone,
    RepliesOne,
    RepliesMany,  // the number of replies
    RunStopped,
    RunPortGone,
    RunWriteFailed,
    RunGoingOn,
    WarnDialogFailed,

    Count
};

// The language texts are shown in now, Chinese until changed. Process-wide and atomic: the
// window switches it while the port worker writes log lines, and each line takes the language
// of the moment it is written.
Language CurrentLanguage();
void SetLanguage(Language language);

const char* Text(TextId id, Language language);
inline const char* Text(TextId id) {
    return Text(id, CurrentLanguage());
}

// The text's printf format filled in, in the current language.
template <class... Values>
std::string FormatText(TextId id, Values... values) {
    const char* format = Text(id);
    const int size = std::snprintf(nullptr, 0, format, values...);
    std::string text(size > 0 ? static_cast<std::size_t>(size) : 0, '\0');
    std::snprintf(text.data(), text.size() + 1, format, values...);
    return text;
}

// "zh" or "en"; nothing for anything else.
std::optional<Language> ParseLanguage(std::string_view code);

// The language a program starts in: its `--lang CODE` or `--lang=CODE` (arguments after "--"
// are not options), else the environment's VELKARO_LANG (`environment`, null when unset), else
// Chinese. `error` holds the usage message when either names no language; the flag wins over
// the environment.
struct LanguageChoice {
    Language language = Language::Chinese;
    std::string error;
};
LanguageChoice ChooseLanguage(int argc, const char* const* argv, const char* environment);

// The same from the process's own arguments and environment, set as the current language.
// The programs call it first thing; false (with `error` set) is a usage error.
bool StartInChosenLanguage(int argc, const char* const* argv, std::string& error);

}  // namespace res
