#include <QAbstractButton>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QHelpEvent>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QThread>
#include <QToolTip>
#include <QTreeView>
#include <atomic>
#include <ostream>
#include <thread>

#include "console/Velkaro.h"
#include "console/dialog/menu.h"
#include "console/dialog/qt/dialog_builder.h"
#include "console/dialog/qt/list_box_view.h"
#include "console/dialog/qt/report_view.h"
#include "console/dialog/qt/widget_binding.h"
#include "console/main_window_fixture.h"
#include "res/dialog_templates.h"

namespace {

ListBoxView& LogView(CVelkaroDlg& dlg) {
    return *static_cast<ListBoxView*>(dlg.m_lbLog.GetSafeHwnd());
}

QTreeView& NodeView(CVelkaroDlg& dlg) {
    return *static_cast<QTreeView*>(dlg.m_lcNodes.GetSafeHwnd());
}

std::string LogLine(CVelkaroDlg& dlg, int index) {
    std::string text;
    dlg.m_lbLog.GetText(index, text);
    return text;
}

// The values, texts and focus it opens with are the shared cases'.
TEST_F(MainWindowTest, OpensWithEveryControlVisibleAndEnabled) {
    for (QWidget* control : Window()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        EXPECT_TRUE(control->isVisible() && control->isEnabled()) << ControlIdOf(control);
    }
}

TEST(MainWindowPortsTest, ListShowsPortNamesWithTheFirstSelected) {
    ScopedPortRegistry ports;
    ports.Register("Velkaro node simulator A", "/tmp/velkaro-test-pty-a");
    ports.Register("Velkaro node simulator B", "/tmp/velkaro-test-pty-b");
    CVelkaroDlg dlg;
    ASSERT_TRUE(dlg.Create());

    ASSERT_GE(dlg.m_cbPort.GetCount(), 2);
    auto* combo = static_cast<QComboBox*>(dlg.m_cbPort.GetSafeHwnd());
    EXPECT_EQ(combo->itemText(0), "/tmp/velkaro-test-pty-a");
    EXPECT_EQ(combo->itemText(1), "/tmp/velkaro-test-pty-b");
    EXPECT_EQ(dlg.m_cbPort.GetWindowText(), "/tmp/velkaro-test-pty-a");
    EXPECT_EQ(dlg.PortName(), "/tmp/velkaro-test-pty-a");
    EXPECT_FALSE(combo->isEditable());
}

TEST_F(MainWindowTest, TenLogLinesInCallOrderTheLastSelectedAndInView) {
    for (int i = 1; i <= 10; ++i) {
        dlg.AppendLog("第 " + std::to_string(i) + " 行");
    }
    ASSERT_EQ(dlg.m_lbLog.GetCount(), 10);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(LogLine(dlg, i), "第 " + std::to_string(i + 1) + " 行");
    }
    EXPECT_EQ(dlg.m_lbLog.GetCurSel(), 9);
    ListBoxView& view = LogView(dlg);
    const QRect last = view.visualRect(view.model()->index(9, 0));
    EXPECT_TRUE(view.viewport()->rect().contains(last));
}

TEST_F(MainWindowTest, ManyLogLinesKeepTheNewestInView) {
    for (int i = 0; i < 1000; ++i) {
        dlg.AppendLog(std::to_string(i));
    }
    ListBoxView& view = LogView(dlg);
    EXPECT_EQ(dlg.m_lbLog.GetCurSel(), 999);
    EXPECT_TRUE(view.viewport()->rect().contains(view.visualRect(view.model()->index(999, 0))));
    EXPECT_FALSE(view.viewport()->rect().intersects(view.visualRect(view.model()->index(0, 0))));
}

TEST_F(MainWindowTest, StatusCellOfARowThatDoesNotExistChangesNothing) {
    dlg.SetStatusCell(0x05, "闭");
    dlg.SetStatusCell(0xFF, "开");
    dlg.SetStatusCell(-1, "开");
    EXPECT_EQ(dlg.m_lcNodes.SetItemText(0x10, 2, "x"), FALSE);

    EXPECT_EQ(dlg.m_lcNodes.GetItemCount(), 255);
    for (int address = 0; address < 255; ++address) {
        EXPECT_EQ(dlg.m_lcNodes.GetItemText(address, 1), address == 0x05 ? "闭" : "--");
    }
}

// With feedback off a status cell holds a whole parsed reply, wider than its column.
TEST_F(MainWindowTest, StatusCellTooNarrowForItsTextShowsItWholeAsATooltip) {
    auto& view = static_cast<ReportView&>(NodeView(dlg));
    const std::string longText = "header=5A,addr=05,cmd=00,rsp_param[0]=01";
    dlg.SetStatusCell(0x05, longText);
    dlg.SetStatusCell(0x06, "闭");
    const auto cellCentre = [&view](int row) {
        return view.visualRect(view.model()->index(row, 1)).center();
    };

    EXPECT_EQ(view.CutOffTextAt(cellCentre(0x05)).toStdString(), longText);
    EXPECT_TRUE(view.CutOffTextAt(cellCentre(0x06)).isEmpty()) << "a text that fits needs none";

    QHelpEvent help(QEvent::ToolTip, cellCentre(0x05),
                    view.viewport()->mapToGlobal(cellCentre(0x05)));
    QApplication::sendEvent(view.viewport(), &help);
    EXPECT_EQ(QToolTip::text().toStdString(), longText);

    view.header()->resizeSection(1, 600);
    EXPECT_TRUE(view.CutOffTextAt(cellCentre(0x05)).isEmpty()) << "widened, it fits";
}

TEST_F(MainWindowTest, NodeTableStyles) {
    QTreeView& view = NodeView(dlg);
    EXPECT_EQ(dlg.m_lcNodes.GetExtendedStyle(), 0x38u);
    EXPECT_EQ(view.selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(view.selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_TRUE(view.header()->sectionsMovable());
    EXPECT_TRUE(view.hasMouseTracking());
    EXPECT_EQ(view.header()->sectionSize(0), 100);
    EXPECT_EQ(view.header()->sectionSize(1), 100);
    EXPECT_EQ(view.model()->headerData(0, Qt::Horizontal).toString(), "地址");
    EXPECT_EQ(view.model()->headerData(1, Qt::Horizontal).toString(), "状态");
    // The selection is drawn alike with and without the focus.
    EXPECT_EQ(view.palette().color(QPalette::Inactive, QPalette::Highlight),
              view.palette().color(QPalette::Active, QPalette::Highlight));
}

TEST_F(MainWindowTest, SelectedRowsComeInRowOrder) {
    EXPECT_FALSE(dlg.m_lcNodes.GetFirstSelectedItemPosition());
    dlg.m_lcNodes.SetItemState(0x09, LVIS_SELECTED, LVIS_SELECTED);
    dlg.m_lcNodes.SetItemState(0x05, LVIS_SELECTED, LVIS_SELECTED);
    dlg.m_lcNodes.SetItemState(0xFE, LVIS_SELECTED, LVIS_SELECTED);

    std::vector<int> rows;
    for (POSITION pos = dlg.m_lcNodes.GetFirstSelectedItemPosition(); pos;) {
        rows.push_back(dlg.m_lcNodes.GetNextSelectedItem(pos));
    }
    EXPECT_EQ(rows, (std::vector<int>{0x05, 0x09, 0xFE}));

    dlg.m_lcNodes.SetItemState(0x05, 0, LVIS_SELECTED);
    POSITION pos = dlg.m_lcNodes.GetFirstSelectedItemPosition();
    EXPECT_EQ(dlg.m_lcNodes.GetNextSelectedItem(pos), 0x09);
}

TEST_F(MainWindowTest, ARowUnderARestingPointerBecomesSelected) {
    QTreeView& view = NodeView(dlg);
    // The pointer passes over row 0 and comes to rest on row 3.
    QTest::mouseMove(view.viewport(), view.visualRect(view.model()->index(0, 0)).center());
    QTest::mouseMove(view.viewport(), view.visualRect(view.model()->index(3, 1)).center());
    POSITION pos;
    for (int wait = 0; wait < 200 && !pos; ++wait) {
        QTest::qWait(10);
        pos = dlg.m_lcNodes.GetFirstSelectedItemPosition();
    }
    ASSERT_TRUE(pos);
    EXPECT_EQ(dlg.m_lcNodes.GetNextSelectedItem(pos), 3);
    EXPECT_FALSE(pos);
}

// Where the controls sit is a shared case; here what a Qt window has to be told.
TEST_F(MainWindowTest, BorderSizesTheWindowAndTabFollowsTheTemplate) {
    const res::DialogTemplate& tpl = *res::FindDialogTemplate(IDD_VELKARO_DIALOG);
    const DialogBaseUnits units = BaseUnitsOf(Window()->font());
    EXPECT_EQ(Window()->windowType(), Qt::Window);
    EXPECT_FALSE(Window()->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(Window()->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_NE(Window()->minimumSize(), Window()->maximumSize());  // the border sizes it

    std::vector<QWidget*> tabStops;
    for (const res::ControlTemplate& control : tpl.controls) {
        if (control.id != IDC_STATIC && (control.style & res::ctl::TabStop)) {
            tabStops.push_back(dlg.GetDlgItem(control.id)->GetSafeHwnd());
        }
    }
    // Tab goes through the tab stops in template order.
    for (size_t i = 0; i + 1 < tabStops.size(); ++i) {
        QWidget* next = tabStops[i]->nextInFocusChain();
        while (next->focusPolicy() != Qt::StrongFocus) {
            next = next->nextInFocusChain();
        }
        EXPECT_EQ(next, tabStops[i + 1]) << i;
    }

    Window()->resize(Window()->width() + 150, Window()->height() + 90);
    const QRect log = DialogRectToPixels(tpl.controls[0].rect, units);
    EXPECT_EQ(dlg.m_lbLog.GetSafeHwnd()->geometry(), log);
}

TEST_F(MainWindowTest, ContextMenuGestureOpensTheSystemMenu) {
    const QPoint where(40, 300);
    QContextMenuEvent gesture(QContextMenuEvent::Mouse, where, Window()->mapToGlobal(where));
    QApplication::sendEvent(Window(), &gesture);
    QMenu* menu = dlg.GetSystemMenu(FALSE)->GetSafeHmenu();
    EXPECT_TRUE(menu->isVisible());
    menu->close();
}

struct AboutSeen {
    QString title;
    QString text;
    QString button;
    bool icon = false;
};

// Looks at the About box once it is open, then closes it with its button.
void CloseAboutBox(AboutSeen& seen) {
    WhenModalOpens([&seen](QWidget* about) {
        seen.title = about->windowTitle();
        for (QLabel* label : about->findChildren<QLabel*>()) {
            if (!label->pixmap().isNull()) {
                seen.icon = true;
            } else {
                seen.text = label->text();
            }
        }
        auto* ok = about->findChild<QPushButton*>();
        seen.button = ok->text();
        ok->click();
    });
}

void ExpectAboutBox(const AboutSeen& seen) {
    EXPECT_EQ(seen.title, "关于 Velkaro");
    EXPECT_EQ(seen.text, "Velkaro，1.0 版");
    EXPECT_EQ(seen.button, "确定");
    EXPECT_TRUE(seen.icon);
}

TEST_F(MainWindowTest, AboutItemOpensTheAboutBox) {
    AboutSeen seen;
    CloseAboutBox(seen);
    CMenu* menu = dlg.GetSystemMenu(FALSE);
    menu->GetSafeHmenu()->actions().last()->trigger();
    QTest::qWait(0);  // the item's command runs once the menu has closed
    for (int wait = 0; wait < 200 && seen.title.isEmpty(); ++wait) {
        QTest::qWait(10);
    }
    ExpectAboutBox(seen);
    EXPECT_TRUE(Window()->isVisible());
}

TEST_F(MainWindowTest, CloseCommandClosesTheWindow) {
    dlg.SendMessage(WM_SYSCOMMAND, SC_CLOSE);
    EXPECT_FALSE(Window()->isVisible());
    EXPECT_TRUE(boxes.requests.empty());
}

TEST(MinimisedIconTest, IsCentredWithDivisionTowardZero) {
    EXPECT_EQ(MinimisedIconOrigin(200, 100, 32, 32), (CPoint{84, 34}));
    EXPECT_EQ(MinimisedIconOrigin(20, 100, 32, 32).x, -5);
    EXPECT_EQ(MinimisedIconOrigin(32, 32, 32, 32), (CPoint{0, 0}));
    EXPECT_EQ(MinimisedIconOrigin(0, 0, 32, 32), (CPoint{-15, -15}));
}

TEST_F(MainWindowTest, MinimisedWindowPaintsItsIconAtTheCentre) {
    Window()->resize(200, 100);
    Window()->showMinimized();
    ASSERT_TRUE(dlg.IsIconic());
    // Only the window itself: a minimised window shows no controls.
    QImage image(Window()->size(), QImage::Format_RGB32);
    Window()->render(&image, QPoint(), QRegion(), QWidget::DrawWindowBackground);
    const QColor background = Window()->palette().window().color();
    const int icon = GetSystemMetrics(SM_CXICON);
    const CPoint origin = MinimisedIconOrigin(200, 100, icon, icon);
    // The icon's frame is opaque at its left edge and at mid-height; outside it, background.
    EXPECT_NE(image.pixelColor(origin.x + icon / 8, origin.y + icon / 2), background);
    EXPECT_EQ(image.pixelColor(origin.x - 4, origin.y + icon / 2), background);
    EXPECT_EQ(image.pixelColor(origin.x + icon / 2, origin.y + icon + 4), background);
}

TEST_F(MainWindowTest, EnterWithAFailingFieldKeepsTheWindowOpen) {
    Edit(IDC_EDIT_MAX_ON_TIME)->setText("3000");
    Edit(IDC_EDIT_MAX_ON_TIME)->setFocus();
    QTest::keyClick(Edit(IDC_EDIT_MAX_ON_TIME), Qt::Key_Return);
    ASSERT_EQ(boxes.requests.size(), 1u);
    EXPECT_EQ(boxes.requests[0].text, "请输入一个 0 至 2540 之间的整数。");
    EXPECT_TRUE(Window()->isVisible());
}

// The worker's window operations, called from another thread, run on the window's thread in
// call order. Lines, cells and the caption are queued and the caller goes on at once; the
// port name and the message box keep it waiting until they are done.
TEST_F(MainWindowTest, WorkerOperationsRunOnTheWindowThreadInCallOrder) {
    QThread* windowThread = QThread::currentThread();
    std::atomic<int> linesSeen{0};
    std::atomic<bool> allOnWindowThread{true};
    QObject::connect(&LogView(dlg).Lines(), &QAbstractItemModel::rowsInserted, [&] {
        allOnWindowThread = allOnWindowThread && QThread::currentThread() == windowThread;
        ++linesSeen;
    });
    std::thread queuing([&] {
        for (int i = 0; i < 50; ++i) {
            dlg.AppendLog("[行 " + std::to_string(i) + "]");
        }
        dlg.SetStatusCell(0x2A, "开");
        dlg.SetOpenButtonCaption("关闭串口");
    });
    queuing.join();  // while the window's thread handles nothing
    EXPECT_EQ(linesSeen, 0) << "the caller went on without the window's thread";

    std::atomic<bool> finished{false};
    std::string portName;
    std::thread waiting([&] {
        portName = dlg.PortName();
        dlg.ShowMessage("串口打开失败");
        finished = true;
        dlg.Queue().Nudge();
    });
    dlg.ServeUntil([&] { return finished.load(); });
    waiting.join();

    EXPECT_TRUE(allOnWindowThread);
    ASSERT_EQ(dlg.m_lbLog.GetCount(), 50);
    for (int i = 0; i < 50; ++i) {
        EXPECT_EQ(LogLine(dlg, i), "[行 " + std::to_string(i) + "]");
    }
    EXPECT_EQ(dlg.m_lbLog.GetCurSel(), 49);
    EXPECT_EQ(dlg.m_lcNodes.GetItemText(0x2A, 1), "开");
    EXPECT_EQ(dlg.m_btnOpen.GetWindowText(), "关闭串口");
    EXPECT_EQ(portName, dlg.m_cbPort.GetWindowText());
    ASSERT_EQ(boxes.requests.size(), 1u);
    EXPECT_EQ(boxes.requests[0].text, "串口打开失败");
    EXPECT_EQ(boxes.requests[0].nType & MB_ICONMASK, 0u);
    EXPECT_EQ(boxes.requests[0].caption, "Velkaro");
}

TEST_F(MainWindowTest, OperationsAfterTheWindowIsGoneDoNothing) {
    dlg.DestroyWindow();
    std::atomic<bool> finished{false};
    std::string portName = "unchanged";
    std::thread worker([&] {
        dlg.AppendLog("late");
        dlg.SetStatusCell(1, "开");
        portName = dlg.PortName();
        finished = true;
        dlg.Queue().Nudge();
    });
    dlg.ServeUntil([&] { return finished.load(); });
    worker.join();
    EXPECT_EQ(portName, "");
    EXPECT_EQ(dlg.GetSafeHwnd(), nullptr);
}

}  // namespace
