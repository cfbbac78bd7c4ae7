// The window's texts against their controls, measured with the window system's own font
// metrics; the same tests for both backends.
#include <gtest/gtest.h>

#include <iostream>

#include "console/VelkaroDlg.h"
#include "console/text_fit_support.h"

namespace {

class WindowTextsTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dlg.Create());
        dlg.SendMessage(WM_SYSCOMMAND, IDM_ACCEPTANCE);
        ASSERT_NE(dlg.AcceptanceDialog(), nullptr);
        ASSERT_TRUE(about.Create(&dlg));
    }

    // Every caption and heading of the three dialogs, the tightest first.
    std::vector<ShownTextFit> Fits() const {
        std::vector<ShownTextFit> fits;
        AddTextFits(dlg, fits);
        AddTextFits(*dlg.AcceptanceDialog(), fits);
        AddTextFits(about, fits);
        return TightestFirst(fits);
    }

    CVelkaroDlg dlg;
    CAboutDlg about;
};

TEST_F(WindowTextsTest, MeasuresEveryCaptionAndHeading) {
    const std::vector<ShownTextFit> fits = Fits();
    // 4 group boxes, 4 radio buttons, a check box, 10 labels, 10 buttons, 9 headings.
    EXPECT_EQ(fits.size(), 38u);
    for (const ShownTextFit& shown : fits) {
        EXPECT_GT(shown.fit.needed, 0) << shown;
        EXPECT_GT(shown.fit.room, shown.fit.needed / 2) << shown;
    }
}

TEST_F(WindowTextsTest, ACaptionWiderThanItsControlDoesNotFit) {
    CWnd& button = *dlg.GetDlgItem(IDC_BTN_OPEN_PORT);
    const TextFit shown = *MeasureCaption(button.GetSafeHwnd());
    EXPECT_TRUE(shown.Fits());
    button.SetWindowText(shown.text + shown.text + shown.text);
    const TextFit widened = *MeasureCaption(button.GetSafeHwnd());
    EXPECT_EQ(widened.room, shown.room);
    EXPECT_GT(widened.needed, 2 * shown.needed);
    EXPECT_FALSE(widened.Fits());
}

}  // namespace
