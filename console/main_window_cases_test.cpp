// The main window, the same cases for both windows through the driver that the build picks
// (console/main_window_driver.h): its controls, its boxes and the operator's session on a
// simulated bus. What one window alone has stays in its own tests.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <limits>
#include <ostream>
#include <string>
#include <vector>

#include "bus/testing/expected_log.h"
#include "bus/testing/log_text.h"
#include "console/dialog/win_app.h"
#include "console/main_window_driver.h"
#include "console/message_box_recorder.h"
#include "serial/serial.h"
#include "worker/port_worker.h"

void PrintTo(const MenuEntry& entry, std::ostream* os) {
    *os << "{" << entry.id << ", \"" << entry.text << "\"" << (entry.separator ? ", separator" : "")
        << "}";
}

void PrintTo(const PixelRect& rect, std::ostream* os) {
    *os << "{" << rect.left << ", " << rect.top << ", " << rect.width << "x" << rect.height << "}";
}

namespace {

using namespace std::chrono_literals;
using Lines = std::vector<std::string>;

class MainWindowCasesTest : public testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(window.Shown()); }
    void TearDown() override { ClearRequests(); }

    CVelkaroDlg& Dlg() { return window.Dlg(); }

    MessageBoxRecorder boxes;
    MainWindowDriver window;
};

TEST_F(MainWindowCasesTest, OpensWithTheDefaults) {
    EXPECT_EQ(window.Title(), "Velkaro");
    EXPECT_TRUE(window.Log().empty());
    ASSERT_EQ(window.Rows(), 255);
    for (int row = 0; row < 255; ++row) {
        char address[3];
        std::snprintf(address, sizeof address, "%02X", row);
        EXPECT_EQ(window.Cell(row, 0), address);
        EXPECT_EQ(window.Cell(row, 1), "--");
    }
    EXPECT_TRUE(window.Checked(IDC_RADIO_LOCKED_CLOSED));
    EXPECT_FALSE(window.Checked(IDC_RADIO_LOCKED_OPEN));
    EXPECT_TRUE(window.Checked(IDC_CHECK_FEEDBACK));
    EXPECT_EQ(window.Text(IDC_EDIT_MAX_ON_TIME), "500");
    EXPECT_EQ(window.Text(IDC_EDIT_INTERVAL), "50");
    EXPECT_EQ(window.Text(IDC_EDIT_MAX_ADDR), "fe");
    EXPECT_EQ(window.Text(IDC_BTN_OPEN_PORT), "打开串口");
    EXPECT_EQ(Dlg().m_byMaxAddr.load(), 0x00);
    EXPECT_EQ(Dlg().m_bySelAddr.load(), 0x00);
    EXPECT_TRUE(window.Focused(IDC_LIST_LOG)) << "the first control in tab order";
}

TEST_F(MainWindowCasesTest, ControlsSitWhereTheTemplateSaysInDialogUnits) {
    const res::DialogTemplate& tpl = *res::FindDialogTemplate(IDD_VELKARO_DIALOG);
    const PixelRect client = window.InPixels({0, 0, tpl.cx, tpl.cy});
    EXPECT_EQ(window.Client(), client);
    for (const res::ControlTemplate& control : tpl.controls) {
        if (control.id == IDC_STATIC) {
            continue;
        }
        const PixelRect expected = window.InPixels(control.rect);
        const PixelRect placed = window.Placed(control.id);
        EXPECT_EQ(placed.left, expected.left) << control.id;
        EXPECT_EQ(placed.top, expected.top) << control.id;
        EXPECT_EQ(placed.width, expected.width) << control.id;
        // A combo box's own height is the edit line's, not the template's.
        if (control.kind != res::ControlKind::ComboBox) {
            EXPECT_EQ(placed.height, expected.height) << control.id;
        }
    }
}

// One row of the exchange table: the text typed into one field, the others holding valid
// values, and what UpdateData(TRUE) makes of it.
struct ExchangeCase {
    const char* name;
    int field;
    std::string text;
    std::string prompt;  // empty: no message box
    int32_t maxOnTime;
    int32_t interval;
    std::string maxAddr;
};

void PrintTo(const ExchangeCase& c, std::ostream* os) {
    *os << c.name;
}

constexpr int32_t kOtherMaxOnTime = 600;
constexpr int32_t kOtherInterval = 77;
const std::string kOtherMaxAddr = "1f";
constexpr int32_t kIntMax = std::numeric_limits<int32_t>::max();
const std::string kIntegerPrompt = "请输入一个整数。";
const std::string kOnTimePrompt = "请输入一个 0 至 2540 之间的整数。";

class DataExchangeTest : public MainWindowCasesTest,
                         public testing::WithParamInterface<ExchangeCase> {
  protected:
    void TypeFields() {
        // An earlier step of the exchange than any field: always taken.
        window.Click(IDC_RADIO_LOCKED_OPEN);
        window.SetField(IDC_EDIT_MAX_ON_TIME, std::to_string(kOtherMaxOnTime));
        window.SetField(IDC_EDIT_INTERVAL, std::to_string(kOtherInterval));
        window.SetField(IDC_EDIT_MAX_ADDR, kOtherMaxAddr);
        window.SetField(GetParam().field, GetParam().text);
    }
};

TEST_P(DataExchangeTest, TakesMembersUpToTheFirstFailureAndPutsTheFocusOnIt) {
    const ExchangeCase& c = GetParam();
    TypeFields();

    const BOOL result = Dlg().UpdateData(TRUE);

    const bool fails = !c.prompt.empty();
    EXPECT_EQ(result, fails ? FALSE : TRUE);
    EXPECT_EQ(Dlg().m_nPolarity.load(), 1);
    EXPECT_EQ(Dlg().m_nMaxOnTime.load(), c.maxOnTime);
    EXPECT_EQ(Dlg().m_nInterval.load(), c.interval);
    EXPECT_EQ(Dlg().m_strMaxAddr, c.maxAddr);
    if (!fails) {
        EXPECT_TRUE(boxes.requests.empty());
        return;
    }
    ASSERT_EQ(boxes.Texts(), Lines{c.prompt});
    const MessageBoxRequest& box = boxes.requests.front();
    EXPECT_EQ(box.caption, AfxGetAppName());
    EXPECT_EQ(box.nType, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
    EXPECT_EQ(box.pOwner, &Dlg());
    EXPECT_TRUE(window.Focused(c.field));
    EXPECT_EQ(window.SelectedText(c.field), c.text) << "all of it";
    EXPECT_EQ(window.Text(c.field), c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Fields, DataExchangeTest,
    testing::Values(ExchangeCase{"NotANumberKeepsMember", IDC_EDIT_MAX_ON_TIME, "abc",
                                 kIntegerPrompt, 500, 50, "fe"},
                    ExchangeCase{"AboveRangeIsStored", IDC_EDIT_MAX_ON_TIME, "3000", kOnTimePrompt,
                                 3000, 50, "fe"},
                    ExchangeCase{"RangeTop", IDC_EDIT_MAX_ON_TIME, "2540", "", 2540, kOtherInterval,
                                 kOtherMaxAddr},
                    ExchangeCase{"RangeBottom", IDC_EDIT_MAX_ON_TIME, "0", "", 0, kOtherInterval,
                                 kOtherMaxAddr},
                    ExchangeCase{"TrailingTextIgnored", IDC_EDIT_MAX_ON_TIME, "12ab", "", 12,
                                 kOtherInterval, kOtherMaxAddr},
                    ExchangeCase{"BelowRange", IDC_EDIT_MAX_ON_TIME, "-1", kOnTimePrompt, -1, 50,
                                 "fe"},
                    ExchangeCase{"BeyondIntRangeFailsTheRangeCheck", IDC_EDIT_MAX_ON_TIME,
                                 "99999999999", kOnTimePrompt, kIntMax, 50, "fe"},
                    ExchangeCase{"IntervalAboveRange", IDC_EDIT_INTERVAL, "256",
                                 "请输入一个 0 至 255 之间的整数。", kOtherMaxOnTime, 256, "fe"},
                    ExchangeCase{"IntervalRangeTop", IDC_EDIT_INTERVAL, "255", "", kOtherMaxOnTime,
                                 255, kOtherMaxAddr},
                    ExchangeCase{"IntervalEmpty", IDC_EDIT_INTERVAL, "", kIntegerPrompt,
                                 kOtherMaxOnTime, 50, "fe"},
                    ExchangeCase{"MaxAddressTakenAsItStands", IDC_EDIT_MAX_ADDR, " zz 1 ", "",
                                 kOtherMaxOnTime, kOtherInterval, " zz 1 "}),
    [](const testing::TestParamInfo<ExchangeCase>& info) { return std::string(info.param.name); });

void ExpectTheAboutBox(const AboutBoxSeen& seen) {
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.caption, "关于 Velkaro");
    EXPECT_EQ(seen.text, "Velkaro，1.0 版");
    EXPECT_EQ(seen.button, "确定");
    EXPECT_TRUE(seen.icon);
    EXPECT_TRUE(seen.blocksTheWindow);
}

// The window system may use the low four bits of a system command; the About id is in the
// others.
TEST_F(MainWindowCasesTest, SystemCommandsWithTheAboutIdInTheHighBitsOpenTheAboutBox) {
    for (UINT command = IDM_ABOUTBOX; command <= (IDM_ABOUTBOX | 0x000F); ++command) {
        SCOPED_TRACE(command);
        ExpectTheAboutBox(window.AboutBoxAfter([&] { window.SystemCommand(command); }));
    }
    EXPECT_TRUE(window.Enabled(IDC_BTN_OPEN_PORT)) << "the window takes input again";
    EXPECT_TRUE(window.Shown());
}

TEST_F(MainWindowCasesTest, HelpShowsTheAboutBox) {
    ExpectTheAboutBox(window.AboutBoxAfter([&] { window.PressHelp(); }));
}

TEST_F(MainWindowCasesTest, DragIconIsTheWindowIcon) {
    const std::uintptr_t icon = window.DragIcon();
    EXPECT_NE(icon, 0u);
    for (std::uintptr_t windowIcon : window.WindowIcons()) {
        EXPECT_EQ(icon, windowIcon);
    }
}

TEST_F(MainWindowCasesTest, FeedbackCheckBoxEnablesThePolarityButtons) {
    window.Click(IDC_RADIO_LOCKED_OPEN);
    EXPECT_EQ(Dlg().m_nPolarity, 1) << "a radio click is taken at once";

    window.Click(IDC_CHECK_FEEDBACK);
    EXPECT_FALSE(window.Enabled(IDC_RADIO_LOCKED_OPEN));
    EXPECT_FALSE(window.Enabled(IDC_RADIO_LOCKED_CLOSED));
    EXPECT_EQ(Dlg().m_bFeedback, 0);
    EXPECT_TRUE(window.Checked(IDC_RADIO_LOCKED_OPEN)) << "the tick stays while disabled";

    window.Click(IDC_CHECK_FEEDBACK);
    EXPECT_TRUE(window.Enabled(IDC_RADIO_LOCKED_OPEN));
    EXPECT_TRUE(window.Enabled(IDC_RADIO_LOCKED_CLOSED));
    EXPECT_EQ(Dlg().m_nPolarity, 1);
}

// With no port open each group button still reads the max address, clamps it to the bus and
// shows the clamped value, then says that no port is open.
TEST_F(MainWindowCasesTest, GroupButtonsScanAndClampTheMaxAddressAndTellThatNoPortIsOpen) {
    struct Case {
        const char* before;
        uint8_t maxAddr;
        const char* after;
    };
    const Case cases[] = {
        {"fe", 0xFE, "fe"},
        {"FE", 0xFE, "FE"},
        {"ff", 0xFE, "fe"},
        {"100", 0xFE, "fe"},
        {"0", 0x00, "0"},
        {"0x10", 0x10, "0x10"},
        {"1f garbage", 0x1F, "1f garbage"},
        // No number, a negative one, one beyond 32 bits: the whole bus, shown as fe.
        {"", 0xFE, "fe"},
        {"zz", 0xFE, "fe"},
        {"-1", 0xFE, "fe"},
        {"123456789abcdef", 0xFE, "fe"},
    };
    for (const Case& c : cases) {
        for (int button : {IDC_BTN_GROUP_STATUS, IDC_BTN_GROUP_UNLOCK}) {
            window.SetField(IDC_EDIT_MAX_ADDR, c.before);
            Dlg().m_byMaxAddr = 0x77;
            boxes.requests.clear();

            window.Click(button);

            EXPECT_EQ(Dlg().m_byMaxAddr, c.maxAddr) << c.before;
            EXPECT_EQ(window.Text(IDC_EDIT_MAX_ADDR), c.after) << c.before;
            EXPECT_EQ(boxes.Texts(), Lines{"串口尚未打开"}) << c.before;
        }
    }
    EXPECT_EQ(g_bReqGroupStatus + g_bReqGroupUnlock, 0u);
}

TEST_F(MainWindowCasesTest, SingleNodeButtonsTakeTheFirstSelectedRowAndWithoutOneDoNothing) {
    Dlg().m_bySelAddr = 0x33;
    window.Click(IDC_BTN_SINGLE_STATUS);
    window.Click(IDC_BTN_SINGLE_UNLOCK);
    EXPECT_TRUE(boxes.requests.empty()) << "no row selected: nothing at all";
    EXPECT_EQ(Dlg().m_bySelAddr, 0x33);

    window.SelectRow(0x09);
    window.SelectRow(0x05);
    window.Click(IDC_BTN_SINGLE_STATUS);
    EXPECT_EQ(Dlg().m_bySelAddr, 0x05) << "the first selected row";
    EXPECT_EQ(boxes.Texts(), Lines{"串口尚未打开"});
    EXPECT_EQ(Dlg().m_byMaxAddr, 0x00) << "single-node buttons leave the max address alone";
}

TEST_F(MainWindowCasesTest, SystemMenuEndsWithASeparatorTheAcceptanceAndTheAboutItem) {
    const std::vector<MenuEntry> menu = window.SystemMenu();
    ASSERT_GE(menu.size(), 3u);
    const std::vector<MenuEntry> last(menu.end() - 3, menu.end());
    EXPECT_EQ(last, (std::vector<MenuEntry>{
                        {0, "", true},
                        {static_cast<UINT>(IDM_ACCEPTANCE), "验收测试(&T)...", false},
                        {static_cast<UINT>(IDM_ABOUTBOX), "关于 Velkaro(&A)...", false}}));
}

struct EnterCase {
    const char* name;
    std::string maxOnTime;
    INT_PTR result;
    const char* prompt;  // nullptr: none
};

void PrintTo(const EnterCase& c, std::ostream* os) {
    *os << c.name;
}

class ModalMainWindowTest : public testing::TestWithParam<EnterCase> {
  protected:
    MessageBoxRecorder boxes;
};

// Enter with a value out of range shows the prompt and keeps the window; Escape then closes it.
TEST_P(ModalMainWindowTest, EnterClosesOnlyWhenEveryValueIsValidAndEscapeAlways) {
    const EnterCase& c = GetParam();
    const ModalEnterResult run = MainWindowDriver::RunModalPressingEnter(c.maxOnTime);
    EXPECT_EQ(run.result, c.result);
    EXPECT_EQ(run.maxOnTime, std::stoi(c.maxOnTime));
    EXPECT_EQ(boxes.Texts(), c.prompt == nullptr ? Lines{} : Lines{c.prompt});
}

INSTANTIATE_TEST_SUITE_P(
    Values, ModalMainWindowTest,
    testing::Values(EnterCase{"Valid", "800", IDOK, nullptr},
                    EnterCase{"RangeTop", "2540", IDOK, nullptr},
                    EnterCase{"OutOfRange", "3000", IDCANCEL, "请输入一个 0 至 2540 之间的整数。"}),
    [](const testing::TestParamInfo<EnterCase>& info) { return std::string(info.param.name); });

constexpr auto kTransactionTimeout = 20s;
constexpr int kBusNodes = 16;
constexpr int kOpenNode = 0x03;

// The operator's session on a simulated bus; SimulatedBus says which.
class MainWindowSessionTest : public testing::Test {
  protected:
    explicit MainWindowSessionTest(SimulatedBus bus = SimulatedBus::Session) : window(bus) {}
    void SetUp() override {
        ASSERT_TRUE(window.Shown()) << "a bus and the window";
        window.SelectPort(window.BusPort());
    }
    void TearDown() override { ClearRequests(); }

    bool WaitForLine(const std::string& line) {
        return ServeUntilLogged(window, line, kTransactionTimeout);
    }
    std::size_t Count(const std::string& line) const {
        const Lines log = window.Log();
        return static_cast<std::size_t>(std::count(log.begin(), log.end(), line));
    }
    void OpenPort() {
        window.Click(IDC_BTN_OPEN_PORT);
        ASSERT_TRUE(WaitForLine("[串口已打开]"));
        ASSERT_EQ(window.Text(IDC_BTN_OPEN_PORT), "关闭串口");
    }

    MessageBoxRecorder boxes;
    MainWindowDriver window;
};

TEST_F(MainWindowSessionTest, OpenPollUnlockAllQueryAndUnlockOneClose) {
    OpenPort();

    // Up to the last node: its reply ends the poll, well within the deadline of 280 ms, since
    // no log line waits for the window.
    window.SetField(IDC_EDIT_MAX_ADDR, "0f");
    window.Click(IDC_BTN_GROUP_STATUS);
    ASSERT_TRUE(WaitForLine("[--完毕：群体获取状态--]"));
    expected_log::Lines expected = {"[串口已打开]"};
    expected.insert(expected.end(), expected_log::kGroupStatusAnnouncement.begin(),
                    expected_log::kGroupStatusAnnouncement.end());
    for (int node = 0; node < kBusNodes; ++node) {
        const expected_log::Lines frame =
            expected_log::StatusReplyLines(node, node == kOpenNode ? 1 : 0);
        expected.insert(expected.end(), frame.begin(), frame.end());
    }
    expected.push_back(kLogLastNode);
    expected.push_back("[--完毕：群体获取状态--]");
    EXPECT_TRUE(expected_log::LogMatches(window.Log(), expected));
    for (int node = 0; node < kBusNodes; ++node) {
        EXPECT_EQ(window.Cell(node, 1), node == kOpenNode ? kCellOpen : kCellLocked) << node;
    }
    EXPECT_EQ(window.Cell(kBusNodes, 1), "--") << "no node there";

    window.Click(IDC_BTN_GROUP_UNLOCK);
    ASSERT_TRUE(WaitForLine("[--完毕：群体开锁--]"));
    EXPECT_EQ(Count("->串口发送:A5,FF,01,32,32,00,09"), 1u);

    window.SelectRow(0x07);
    window.Click(IDC_BTN_SINGLE_STATUS);
    ASSERT_TRUE(WaitForLine("[--完毕：单点获取状态--]"));
    EXPECT_EQ(window.Cell(0x07, 1), kCellOpen) << "unlocked by the group unlock";

    window.Click(IDC_BTN_SINGLE_UNLOCK);
    ASSERT_TRUE(WaitForLine("[--完毕：单点开锁--]"));
    EXPECT_EQ(Count("->串口发送:A5,07,01,32,32,00,11"), 1u);

    window.Click(IDC_BTN_OPEN_PORT);
    EXPECT_EQ(window.Log().back(), "[串口已关闭]") << "the close returns once the port is closed";
    EXPECT_EQ(window.Text(IDC_BTN_OPEN_PORT), "打开串口");
    EXPECT_EQ(g_hComm, kInvalidSerialHandle);
    EXPECT_TRUE(boxes.requests.empty());
}

class PulledAdapterTest : public MainWindowSessionTest {
  protected:
    PulledAdapterTest() : MainWindowSessionTest(SimulatedBus::HangsUpAtAFrame) {}
};

// The line hangs up as the poll's frame arrives, as when the adapter is pulled out during the
// poll: one box, at once rather than at the poll's deadline, and then an idle processor.
TEST_F(PulledAdapterTest, DuringAPollClosesThePortWithOneBoxAndLeavesTheProcessorAlone) {
    OpenPort();
    window.SetField(IDC_EDIT_MAX_ADDR, "fe");  // a deadline of 1475 ms
    const auto pressed = std::chrono::steady_clock::now();
    window.Click(IDC_BTN_GROUP_STATUS);
    ASSERT_TRUE(window.ServeUntil([&] { return !boxes.requests.empty(); }, kTransactionTimeout));
    const auto boxAfter = std::chrono::steady_clock::now() - pressed;
    ASSERT_TRUE(window.ServeUntil([] { return !PortWorkerRunning(); }, kTransactionTimeout));

    EXPECT_LT(boxAfter, 1000ms) << "not the poll's deadline";
    EXPECT_EQ(boxes.Texts(), Lines{"串口已断开"});
    EXPECT_EQ(window.Text(IDC_BTN_OPEN_PORT), "打开串口");
    expected_log::Lines expected = {"[串口已打开]"};
    expected.insert(expected.end(), expected_log::kGroupStatusAnnouncement.begin(),
                    expected_log::kGroupStatusAnnouncement.end());
    expected.push_back("[串口已断开]");
    expected.push_back("[串口已关闭]");
    EXPECT_EQ(window.Log(), expected);

    const auto processor = window.IdleProcessorTime(5s);
    std::printf(
        "hang-up at the poll's frame: the box %lld ms after the press; %lld ms of "
        "processor time in the 5 s after\n",
        static_cast<long long>(
            std::chrono::duration_cast<std::chrono::milliseconds>(boxAfter).count()),
        static_cast<long long>(processor.count()));
    // A spinning wait would cost all 5000 ms.
    EXPECT_LT(processor, MainWindowDriver::kIdleProcessorLimit);
    EXPECT_EQ(boxes.requests.size(), 1u);
}

}  // namespace
