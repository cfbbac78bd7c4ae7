// Ctrl-C and SIGTERM close the window as its close box does, even with a box open over it.
#include <gtest/gtest.h>

#include <QPointer>
#include <QTimer>

#include "console/Velkaro.h"
#include "console/VelkaroDlg.h"
#include "console/console_test_support.h"
#include "console/dialog/close_on_stop.h"
#include "res/resource.h"

namespace {

constexpr int kHung = 99;

TEST(CloseOnStopTest, ClosesTheBoxOverTheMainWindowThenTheMainWindow) {
    ScopedPortRegistry ports;
    CVelkaroDlg dlg;
    AfxGetApp()->m_pMainWnd = &dlg;
    QPointer<QWidget> about;
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [&] {
        if (about) {
            about->close();
        }
        dlg.EndDialog(kHung);
    });
    guard.start(10000);
    WhenModalOpens([&](QWidget* main) {
        // From inside the About box's own loop, as a signal's close arrives.
        WhenModalOpens(
            [&about](QWidget* box) {
                about = box;
                CloseWindowsOnStop();
            },
            main);
        dlg.SendMessage(WM_SYSCOMMAND, IDM_ABOUTBOX);
    });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    AfxGetApp()->m_pMainWnd = nullptr;
}

}  // namespace
