#include <QScrollBar>
#include <string>
#include <vector>

#include "console/console_test_support.h"
#include "console/dialog/controls.h"
#include "console/dialog/qt/line_store.h"
#include "console/dialog/qt/list_box_view.h"

namespace {

TEST(LineStoreTest, KeepsEveryLineWhateverItsLength) {
    const std::vector<std::string> lines = {
        "",
        "[群体获取状态]",
        std::string(700 * 1024, 'a'),  // two of these do not fit one block
        std::string(700 * 1024, 'b'),
        std::string(3 * 1024 * 1024, 'c'),  // longer than a block
        "原始数据为：5A 03 00 01 5E ,时间 12ms",
    };
    LineStore store;
    for (const std::string& line : lines) {
        store.Append(line);
    }
    ASSERT_EQ(store.Count(), lines.size());
    for (size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(store.Line(i), lines[i]) << "line " << i;
    }
}

TEST(LineStoreTest, ManyShortLinesStayInOrder) {
    LineStore store;
    constexpr int kLines = 100000;
    for (int i = 0; i < kLines; ++i) {
        store.Append(std::to_string(i));
    }
    ASSERT_EQ(store.Count(), size_t{kLines});
    for (int i = 0; i < kLines; i += 997) {
        EXPECT_EQ(store.Line(static_cast<size_t>(i)), std::to_string(i));
    }
}

class ListBoxTest : public testing::Test {
  protected:
    void SetUp() override {
        view.resize(300, 10 * view.RowHeight() + 2 * view.frameWidth());
        view.show();
        list.Attach(&view);
    }
    void TearDown() override { list.Detach(); }

    bool RowFullyVisible(int row) {
        const QRect rect = view.visualRect(view.model()->index(row, 0));
        return view.viewport()->rect().contains(rect);
    }

    ListBoxView view{nullptr};
    CListBox list;
};

TEST_F(ListBoxTest, AddsLinesAtTheEndInOrder) {
    EXPECT_EQ(list.AddString("eins"), 0);
    EXPECT_EQ(list.AddString("zwei"), 1);
    EXPECT_EQ(list.AddString("三"), 2);
    EXPECT_EQ(list.GetCount(), 3);
    std::string text;
    EXPECT_EQ(list.GetText(2, text), 3);
    EXPECT_EQ(text, "三");
    EXPECT_EQ(list.GetText(3, text), LB_ERR);
    EXPECT_EQ(view.model()->data(view.model()->index(1, 0)).toString(), "zwei");
}

TEST_F(ListBoxTest, SelectingALineScrollsItIntoView) {
    for (int i = 0; i < 500; ++i) {
        list.AddString("line " + std::to_string(i));
    }
    EXPECT_EQ(list.GetCurSel(), LB_ERR);

    EXPECT_EQ(list.SetCurSel(499), 499);
    EXPECT_EQ(list.GetCurSel(), 499);
    EXPECT_TRUE(RowFullyVisible(499));
    EXPECT_FALSE(RowFullyVisible(480));

    EXPECT_EQ(list.SetCurSel(3), 3);
    EXPECT_TRUE(RowFullyVisible(3));
    EXPECT_FALSE(RowFullyVisible(499));

    EXPECT_EQ(list.SetCurSel(500), LB_ERR);
    EXPECT_EQ(list.GetCurSel(), 3);
    list.SetCurSel(-1);
    EXPECT_EQ(list.GetCurSel(), LB_ERR);
}

TEST_F(ListBoxTest, PositionsFollowFromTheRowHeight) {
    for (int i = 0; i < 100; ++i) {
        list.AddString(std::to_string(i));
    }
    list.SetCurSel(60);
    for (int row : {55, 58, 60}) {
        const QModelIndex index = view.model()->index(row, 0);
        EXPECT_EQ(view.indexAt(view.visualRect(index).center()), index);
    }
    EXPECT_EQ(view.verticalScrollBar()->maximum(), 100 - 10);
}

TEST_F(ListBoxTest, KeysMoveTheSelection) {
    for (int i = 0; i < 50; ++i) {
        list.AddString(std::to_string(i));
    }
    list.SetCurSel(10);
    view.setFocus();
    QTest::keyClick(&view, Qt::Key_Down);
    EXPECT_EQ(list.GetCurSel(), 11);
    QTest::keyClick(&view, Qt::Key_End);
    EXPECT_EQ(list.GetCurSel(), 49);
    EXPECT_TRUE(RowFullyVisible(49));
    QTest::keyClick(&view, Qt::Key_Home);
    EXPECT_EQ(list.GetCurSel(), 0);
}

}  // namespace
