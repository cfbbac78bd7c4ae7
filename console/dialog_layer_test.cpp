#include <QComboBox>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <ostream>

#include "console/console_test_support.h"
#include "console/dialog/controls.h"
#include "console/dialog/dialog.h"
#include "console/dialog/message_box.h"
#include "console/dialog/qt/dialog_builder.h"
#include "console/dialog/qt/widget_binding.h"
#include "console/dialog/win_app.h"
#include "res/dialog_templates.h"
#include "res/resource.h"

namespace {

TEST(MulDivTest, RoundsHalfAwayFromZero) {
    struct Case {
        int number, numerator, denominator, expected;
    };
    for (const Case& c :
         {Case{7, 7, 4, 12}, Case{505, 7, 4, 884}, Case{2, 6, 4, 3}, Case{1, 6, 4, 2},
          Case{-1, 6, 4, -2}, Case{127, 15, 8, 238}, Case{0, 7, 4, 0}}) {
        EXPECT_EQ(MulDiv(c.number, c.numerator, c.denominator), c.expected)
            << c.number << '*' << c.numerator << '/' << c.denominator;
    }
}

TEST(DialogUnitsTest, ScaleByAQuarterOfTheCharacterWidthAndAnEighthOfTheHeight) {
    const QRect pixels = DialogRectToPixels({7, 145, 137, 184}, DialogBaseUnits{8, 16});
    EXPECT_EQ(pixels, QRect(14, 290, 274, 368));
}

TEST(DialogFontTest, HasEveryCharacterOfTheTemplates) {
    const QFont font = DialogFont(9);
    EXPECT_TRUE(QFontDatabase::families(QFontDatabase::SimplifiedChinese)
                    .contains(QFontInfo(font).family()))
        << QFontInfo(font).family().toStdString();
    const QFontMetrics metrics(font);
    for (int id : {IDD_VELKARO_DIALOG, IDD_ABOUTBOX}) {
        const res::DialogTemplate* tpl = res::FindDialogTemplate(id);
        ASSERT_NE(tpl, nullptr);
        QStringList texts{QString::fromUtf8(res::DialogTitle(*tpl))};
        for (const res::ControlTemplate& control : tpl->controls) {
            if (const char* text = res::ControlText(control)) {
                texts.append(QString::fromUtf8(text));
            }
        }
        for (const QString& text : texts) {
            for (char32_t c : text.toUcs4()) {
                EXPECT_TRUE(metrics.inFontUcs4(c))
                    << text.toStdString() << ": U+" << std::hex << uint32_t(c);
            }
        }
    }
}

TEST(AppNameTest, IsTheExecutableFileNameWithoutExtension) {
    EXPECT_EQ(AppNameFromPath("/usr/local/bin/Velkaro"), "Velkaro");
    EXPECT_EQ(AppNameFromPath("Velkaro.exe"), "Velkaro");
    EXPECT_EQ(AppNameFromPath("./build/Velkaro"), "Velkaro");
    EXPECT_EQ(AppNameFromPath("C:\\Programs\\门锁\\Velkaro 门锁.exe"), "Velkaro 门锁");
}

// The About template (icon, label, default button IDOK) serves as a small dialog.
class AboutTemplateDialog : public CDialogEx {
  public:
    AboutTemplateDialog() : CDialogEx(IDD_ABOUTBOX) {}
};

constexpr int kHung = 99;

// Runs the dialog modally, doing `during` inside its loop; gives up with kHung after a while.
INT_PTR RunModal(CDialogEx& dialog, std::function<void(QWidget*)> during) {
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [&dialog] { dialog.EndDialog(kHung); });
    guard.start(10000);
    WhenModalOpens(std::move(during));
    return dialog.DoModal();
}

struct CloseCase {
    const char* name;
    std::function<void(QWidget*)> gesture;
    INT_PTR expected;
};

void PrintTo(const CloseCase& c, std::ostream* os) {
    *os << c.name;
}

class ModalCloseTest : public testing::TestWithParam<CloseCase> {};

TEST_P(ModalCloseTest, EndsTheModalLoopWithTheCommandsResult) {
    AboutTemplateDialog dialog;
    EXPECT_EQ(RunModal(dialog, GetParam().gesture), GetParam().expected);
    EXPECT_EQ(dialog.GetSafeHwnd(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Gestures, ModalCloseTest,
    testing::Values(CloseCase{"EnterPressesTheDefaultButton",
                              [](QWidget* w) { QTest::keyClick(w, Qt::Key_Return); }, IDOK},
                    CloseCase{"ClickOnOk",
                              [](QWidget* w) { w->findChild<QPushButton*>()->click(); }, IDOK},
                    CloseCase{"EscapeCancels",
                              [](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); }, IDCANCEL},
                    CloseCase{"CloseBoxCancels", [](QWidget* w) { w->close(); }, IDCANCEL}),
    [](const testing::TestParamInfo<CloseCase>& info) { return std::string(info.param.name); });

TEST(DoModalTest, ReturnsMinusOneWhenTheTemplateDoesNotExist) {
    CDialogEx dialog(4242);
    EXPECT_EQ(dialog.DoModal(), -1);
}

// A derived map entry for IDOK takes the command before the base's OnOK.
class OwnOkDialog : public AboutTemplateDialog {
  public:
    void OnOkButton() { ++okClicks; }
    int okClicks = 0;

    const MessageMap* GetMessageMap() const override { return &messageMap; }
    static const MessageMapEntry messageEntries[];
    static const MessageMap messageMap;
};

const MessageMapEntry OwnOkDialog::messageEntries[] = {
    MapCommand(IDOK, &OwnOkDialog::OnOkButton),
};
const MessageMap OwnOkDialog::messageMap = {&CDialogEx::messageMap, messageEntries};

TEST(MessageMapTest, TheMostDerivedEntryHandlesTheClick) {
    OwnOkDialog dialog;
    ASSERT_TRUE(dialog.Create());
    dialog.GetSafeHwnd()->show();
    ControlWidget<QPushButton>(dialog, IDOK)->click();
    EXPECT_EQ(dialog.okClicks, 1);
    EXPECT_TRUE(dialog.GetSafeHwnd()->isVisible());
}

TEST(MessageMapTest, CommandsWithoutEntryReachTheBase) {
    AboutTemplateDialog dialog;
    ASSERT_TRUE(dialog.Create());
    dialog.GetSafeHwnd()->show();
    ControlWidget<QPushButton>(dialog, IDOK)->click();
    EXPECT_FALSE(dialog.GetSafeHwnd()->isVisible());  // the base's OnOK ended the dialog
}

TEST(DialogTemplateTest, AboutBoxHasAFixedSizeAndNoMinimiseOrMaximiseButton) {
    AboutTemplateDialog dialog;
    ASSERT_TRUE(dialog.Create());
    QWidget* window = dialog.GetSafeHwnd();
    const DialogBaseUnits units = BaseUnitsOf(window->font());
    EXPECT_EQ(window->size(), QSize(MulDiv(170, units.cx, 4), MulDiv(62, units.cy, 8)));
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
    EXPECT_EQ(window->windowType(), Qt::Dialog);
    EXPECT_FALSE(window->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(window->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(window->windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_EQ(window->windowTitle(), "关于 Velkaro");
    auto* ok = ControlWidget<QPushButton>(dialog, IDOK);
    EXPECT_TRUE(ok->isDefault());
    EXPECT_EQ(window->focusWidget(), ok);
}

TEST(ComboBoxTest, WithoutEntriesNothingIsSelectedAndTheTextIsEmpty) {
    QComboBox widget;
    CComboBox combo;
    combo.Attach(&widget);
    EXPECT_EQ(combo.SetCurSel(0), CB_ERR);
    EXPECT_EQ(combo.GetCurSel(), -1);
    EXPECT_EQ(combo.GetWindowText(), "");
    combo.AddString("ttyUSB0");
    combo.AddString("ttyUSB1");
    EXPECT_EQ(combo.SetCurSel(1), 1);
    EXPECT_EQ(combo.GetWindowText(), "ttyUSB1");
    combo.Detach();
}

TEST(GetDlgItemTest, FindsControlsByIdAndNothingForUnknownIds) {
    AboutTemplateDialog dialog;
    ASSERT_TRUE(dialog.Create());
    CWnd* ok = dialog.GetDlgItem(IDOK);
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->GetWindowText(), "确定");
    EXPECT_EQ(ControlIdOf(ok->GetSafeHwnd()), IDOK);
    EXPECT_EQ(dialog.GetDlgItem(IDOK), ok);
    EXPECT_EQ(dialog.GetDlgItem(4711), nullptr);
    EXPECT_EQ(ok->EnableWindow(FALSE), FALSE);
    EXPECT_EQ(ok->IsWindowEnabled(), FALSE);
    EXPECT_NE(ok->EnableWindow(TRUE), FALSE);
}

// The window manager needs the caption's width and room for its buttons; a box sized to a
// short text alone would get "..." for a caption.
TEST(MessageBoxTest, IsWideEnoughForItsCaption) {
    CWnd owner;
    QWidget window;
    window.show();
    owner.Attach(&window);
    for (const char* caption : {"Velkaro", "串口打开失败串口打开失败串口打开失败"}) {
        SCOPED_TRACE(caption);
        int width = 0;
        int needed = 0;
        WhenModalOpens([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            ASSERT_NE(box, nullptr);
            QFont bold = box->font();
            bold.setBold(true);
            needed = QFontMetrics(bold).horizontalAdvance(box->windowTitle()) +
                     3 * box->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, box);
            width = box->width();
            box->button(QMessageBox::Ok)->click();
        });
        EXPECT_EQ(PresentMessageBox({&owner, "串口尚未打开", caption, MB_OK}), IDOK);
        EXPECT_GE(width, needed);
    }
    owner.Detach();
}

}  // namespace
