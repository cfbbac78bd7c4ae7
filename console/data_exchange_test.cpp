#include <QLineEdit>
#include <QRadioButton>
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

// One row of the exchange table: the text typed into one field, the others holding valid
// values, and what UpdateData(TRUE) makes of it.
struct ExchangeCase {
    const char* name;
    int field;
    std::string text;
    std::string message;  // empty: no message box
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

class DataExchangeTest : public MainWindowTest, public testing::WithParamInterface<ExchangeCase> {
  protected:
    void TypeFields() {
        // An earlier step of the exchange than any field: always taken.
        ControlWidget<QRadioButton>(dlg, IDC_RADIO_LOCKED_OPEN)->click();
        Edit(IDC_EDIT_MAX_ON_TIME)->setText(QString::number(kOtherMaxOnTime));
        Edit(IDC_EDIT_INTERVAL)->setText(QString::number(kOtherInterval));
        Edit(IDC_EDIT_MAX_ADDR)->setText(QString::fromStdString(kOtherMaxAddr));
        Edit(GetParam().field)->setText(QString::fromStdString(GetParam().text));
    }
};

TEST_P(DataExchangeTest, TakesMembersUpToTheFirstFailure) {
    const ExchangeCase& c = GetParam();
    TypeFields();

    const BOOL result = dlg.UpdateData(TRUE);

    const bool fails = !c.message.empty();
    EXPECT_EQ(result, fails ? FALSE : TRUE);
    EXPECT_EQ(dlg.m_nPolarity.load(), 1);
    EXPECT_EQ(dlg.m_nMaxOnTime.load(), c.maxOnTime);
    EXPECT_EQ(dlg.m_nInterval.load(), c.interval);
    EXPECT_EQ(dlg.m_strMaxAddr, c.maxAddr);
    if (!fails) {
        EXPECT_TRUE(boxes.requests.empty());
        return;
    }
    ASSERT_EQ(boxes.requests.size(), 1u);
    const MessageBoxRequest& box = boxes.requests.front();
    EXPECT_EQ(box.text, c.message);
    EXPECT_EQ(box.caption, "Velkaro");
    EXPECT_EQ(box.nType & MB_ICONMASK, MB_ICONEXCLAMATION);
    EXPECT_EQ(box.pOwner, &dlg);
    QLineEdit* failed = Edit(c.field);
    EXPECT_EQ(Window()->focusWidget(), failed);
    EXPECT_EQ(failed->selectedText(), failed->text());
    EXPECT_EQ(failed->text().toStdString(), c.text);
}

const std::string kIntegerPrompt = "请输入一个整数。";

INSTANTIATE_TEST_SUITE_P(
    Fields, DataExchangeTest,
    testing::Values(ExchangeCase{"NotANumberKeepsMember", IDC_EDIT_MAX_ON_TIME, "abc",
                                 kIntegerPrompt, 500, 50, "fe"},
                    ExchangeCase{"AboveRangeIsStored", IDC_EDIT_MAX_ON_TIME, "3000",
                                 "请输入一个 0 至 2540 之间的整数。", 3000, 50, "fe"},
                    ExchangeCase{"RangeTop", IDC_EDIT_MAX_ON_TIME, "2540", "", 2540, kOtherInterval,
                                 kOtherMaxAddr},
                    ExchangeCase{"RangeBottom", IDC_EDIT_MAX_ON_TIME, "0", "", 0, kOtherInterval,
                                 kOtherMaxAddr},
                    ExchangeCase{"TrailingTextIgnored", IDC_EDIT_MAX_ON_TIME, "12ab", "", 12,
                                 kOtherInterval, kOtherMaxAddr},
                    ExchangeCase{"BelowRange", IDC_EDIT_MAX_ON_TIME, "-1",
                                 "请输入一个 0 至 2540 之间的整数。", -1, 50, "fe"},
                    ExchangeCase{"BeyondIntRangeFailsTheRangeCheck", IDC_EDIT_MAX_ON_TIME,
                                 "99999999999", "请输入一个 0 至 2540 之间的整数。", kIntMax, 50,
                                 "fe"},
                    ExchangeCase{"IntervalAboveRange", IDC_EDIT_INTERVAL, "256",
                                 "请输入一个 0 至 255 之间的整数。", kOtherMaxOnTime, 256, "fe"},
                    ExchangeCase{"IntervalRangeTop", IDC_EDIT_INTERVAL, "255", "", kOtherMaxOnTime,
                                 255, kOtherMaxAddr},
                    ExchangeCase{"IntervalEmpty", IDC_EDIT_INTERVAL, "", kIntegerPrompt,
                                 kOtherMaxOnTime, 50, "fe"},
                    ExchangeCase{"MaxAddressTakenAsItStands", IDC_EDIT_MAX_ADDR, " zz 1 ", "",
                                 kOtherMaxOnTime, kOtherInterval, " zz 1 "}),
    [](const testing::TestParamInfo<ExchangeCase>& info) { return std::string(info.param.name); });

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
