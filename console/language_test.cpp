// The window in both languages: switched from the system menu, every text read back and
// measured against its control with the window system's own font metrics; the same tests for
// both backends.
#include <gtest/gtest.h>

#include <iostream>

#include "console/VelkaroDlg.h"
#include "console/dialog/menu.h"
#include "console/text_fit_support.h"

namespace {

// Han characters and the full-width forms, in UTF-8: lead bytes E3 to E9 and EF.
bool HoldsCjk(const std::string& text) {
    for (const unsigned char c : text) {
        if ((c >= 0xE3 && c <= 0xE9) || c == 0xEF) {
            return true;
        }
    }
    return false;
}

class WindowTextsTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dlg.Create());
        dlg.SendMessage(WM_SYSCOMMAND, IDM_ACCEPTANCE);
        ASSERT_NE(dlg.AcceptanceDialog(), nullptr);
        ASSERT_TRUE(about.Create(&dlg));
    }
    void TearDown() override { res::SetLanguage(res::Language::Chinese); }

    // Every caption and heading of the three dialogs, the tightest first.
    std::vector<ShownTextFit> Fits() const {
        std::vector<ShownTextFit> fits;
        AddTextFits(dlg, fits);
        AddTextFits(*dlg.AcceptanceDialog(), fits);
        AddTextFits(about, fits);
        return TightestFirst(fits);
    }

    // The system menu's language item: its text, after checking that it is there.
    std::string LanguageItemText() {
        CMenu& menu = *dlg.GetSystemMenu(FALSE);
        for (int i = 0; i < menu.GetMenuItemCount(); ++i) {
            if (menu.GetMenuItemID(i) == IDM_LANGUAGE) {
                return menu.GetMenuString(i);
            }
        }
        ADD_FAILURE() << "no language item in the system menu";
        return {};
    }
    // As the item does when chosen.
    void ChooseLanguageItem() { dlg.SendMessage(WM_SYSCOMMAND, IDM_LANGUAGE); }

    static void PrintTightest(const char* language, const std::vector<ShownTextFit>& fits) {
        for (size_t i = 0; i < fits.size() && i < 5; ++i) {
            std::cout << language << " tightest " << i + 1 << ": " << fits[i] << '\n';
        }
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
    PrintTightest("Chinese", fits);
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

// The About box opened after the switch; the main window and the open acceptance dialog
// switched by it.
TEST_F(WindowTextsTest, EnglishFromTheSystemMenuFitsEveryControl) {
    EXPECT_EQ(LanguageItemText(), "English");
    ChooseLanguageItem();
    EXPECT_EQ(LanguageItemText(), "中文");
    about.DestroyWindow();
    ASSERT_TRUE(about.Create(&dlg));

    const std::vector<ShownTextFit> fits = Fits();
    EXPECT_EQ(fits.size(), 38u);
    for (const ShownTextFit& shown : fits) {
        EXPECT_FALSE(HoldsCjk(shown.fit.text)) << shown;
        EXPECT_TRUE(shown.fit.Fits()) << shown;
    }
    PrintTightest("English", fits);
    EXPECT_EQ(dlg.GetWindowText(), "Velkaro");
    EXPECT_EQ(dlg.AcceptanceDialog()->GetWindowText(), "Acceptance test");
    EXPECT_EQ(about.GetWindowText(), "About Velkaro");
    EXPECT_EQ(dlg.GetDlgItem(IDC_BTN_OPEN_PORT)->GetWindowText(), "Open port");
}

TEST_F(WindowTextsTest, SwitchingBackShowsTheChineseTextsAsBefore) {
    std::vector<std::string> before;
    for (const ShownTextFit& shown : Fits()) {
        before.push_back(shown.fit.text);
    }
    ChooseLanguageItem();
    ChooseLanguageItem();
    EXPECT_EQ(LanguageItemText(), "English");
    std::vector<std::string> after;
    for (const ShownTextFit& shown : Fits()) {
        after.push_back(shown.fit.text);
    }
    std::ranges::sort(before);
    std::ranges::sort(after);
    EXPECT_EQ(after, before);
}

}  // namespace
