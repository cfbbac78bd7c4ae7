// The main window's controls, the same cases for both windows through the driver that the
// build picks (console/main_window_driver.h). What one window alone has stays in its own tests.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "console/main_window_driver.h"
#include "console/message_box_recorder.h"
#include "worker/port_worker.h"

void PrintTo(const MenuEntry& entry, std::ostream* os) {
    *os << "{" << entry.id << ", \"" << entry.text << "\"" << (entry.separator ? ", separator" : "")
        << "}";
}

namespace {

using Lines = std::vector<std::string>;

class MainWindowCasesTest : public testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(window.Shown()); }
    void TearDown() override {
        for (auto* flag :
             {&g_bReqGroupStatus, &g_bReqGroupUnlock, &g_bReqSingleUnlock, &g_bReqSingleStatus}) {
            *flag = 0;
        }
    }

    CVelkaroDlg& Dlg() { return window.Dlg(); }

    MessageBoxRecorder boxes;
    MainWindowDriver window;
};

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
            EXPECT_EQ(window.Field(IDC_EDIT_MAX_ADDR), c.after) << c.before;
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

}  // namespace
