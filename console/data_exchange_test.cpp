#include <QAbstractButton>
#include <QLineEdit>
#include <limits>
#include <optional>
#include <ostream>
#include <string>

#include "console/dialog/data_exchange.h"
#include "console/main_window_fixture.h"

namespace {

constexpr int32_t kIntMax = std::numeric_limits<int32_t>::max();
constexpr int32_t kIntMin = std::numeric_limits<int32_t>::min();

struct ScanCase {
    std::string text;
    std::optional<int32_t> expected;
};

void PrintTo(const ScanCase& c, std::ostream* os) {
    *os << '"' << c.text << '"';
}

class ScanFieldIntTest : public testing::TestWithParam<ScanCase> {};

TEST_P(ScanFieldIntTest, ReadsLikeScanfDecimal) {
    EXPECT_EQ(ScanFieldInt(GetParam().text), GetParam().expected) << '"' << GetParam().text << '"';
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ScanFieldIntTest,
    testing::Values(ScanCase{"500", 500}, ScanCase{"0", 0}, ScanCase{"007", 7},
                    ScanCase{"12ab", 12}, ScanCase{"  42", 42}, ScanCase{"\t\r\n\v\f-7x", -7},
                    ScanCase{"+5", 5}, ScanCase{"-0", 0}, ScanCase{"abc", std::nullopt},
                    ScanCase{"", std::nullopt}, ScanCase{"   ", std::nullopt},
                    ScanCase{"-", std::nullopt}, ScanCase{"+ 5", std::nullopt}, ScanCase{"0x10", 0},
                    ScanCase{"１２", std::nullopt}, ScanCase{"2147483647", kIntMax},
                    ScanCase{"-2147483648", kIntMin}, ScanCase{"2147483648", kIntMax},
                    ScanCase{"-2147483649", kIntMin}, ScanCase{"99999999999999999999999", kIntMax},
                    // Only the first 63 characters are read.
                    ScanCase{std::string(60, ' ') + "12345", 123},
                    ScanCase{std::string(63, ' ') + "5", std::nullopt},
                    ScanCase{"中" + std::string(61, ' ') + "1", std::nullopt}));

TEST_F(MainWindowTest, FillingTheControlsWritesTheMembersAndChecksNothing) {
    dlg.m_nMaxOnTime = 3000;
    dlg.m_nInterval = -5;
    dlg.m_nPolarity = 1;
    dlg.m_bFeedback = 0;
    dlg.m_strMaxAddr = "7";

    EXPECT_EQ(dlg.UpdateData(FALSE), TRUE);

    EXPECT_TRUE(boxes.requests.empty());
    EXPECT_EQ(Edit(IDC_EDIT_MAX_ON_TIME)->text(), "3000");
    EXPECT_EQ(Edit(IDC_EDIT_INTERVAL)->text(), "-5");
    EXPECT_EQ(Edit(IDC_EDIT_MAX_ADDR)->text(), "7");
    EXPECT_FALSE(ControlWidget<QAbstractButton>(dlg, IDC_RADIO_LOCKED_CLOSED)->isChecked());
    EXPECT_TRUE(ControlWidget<QAbstractButton>(dlg, IDC_RADIO_LOCKED_OPEN)->isChecked());
    EXPECT_FALSE(ControlWidget<QAbstractButton>(dlg, IDC_CHECK_FEEDBACK)->isChecked());
}

TEST_F(MainWindowTest, RadioGroupWithNothingTickedReadsMinusOne) {
    dlg.m_nPolarity = -1;
    dlg.UpdateData(FALSE);
    EXPECT_FALSE(ControlWidget<QAbstractButton>(dlg, IDC_RADIO_LOCKED_CLOSED)->isChecked());
    EXPECT_FALSE(ControlWidget<QAbstractButton>(dlg, IDC_RADIO_LOCKED_OPEN)->isChecked());

    dlg.m_nPolarity = 0;
    EXPECT_EQ(dlg.UpdateData(TRUE), TRUE);
    EXPECT_EQ(dlg.m_nPolarity.load(), -1);
}

TEST_F(MainWindowTest, ClickingARadioButtonClearsTheOtherOfItsGroup) {
    auto* closed = ControlWidget<QAbstractButton>(dlg, IDC_RADIO_LOCKED_CLOSED);
    auto* open = ControlWidget<QAbstractButton>(dlg, IDC_RADIO_LOCKED_OPEN);

    open->click();
    EXPECT_TRUE(open->isChecked());
    EXPECT_FALSE(closed->isChecked());

    open->click();  // a ticked auto radio button stays ticked
    EXPECT_TRUE(open->isChecked());

    closed->click();
    EXPECT_TRUE(closed->isChecked());
    EXPECT_FALSE(open->isChecked());
}

}  // namespace
