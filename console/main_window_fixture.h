// A main window, created and shown for a test, with message boxes recorded and the port
// registry private to the test.
#pragma once

#include <QLineEdit>

#include "console/VelkaroDlg.h"
#include "console/console_test_support.h"

class MainWindowTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dlg.Create());
        Window()->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(Window()));
    }

    QWidget* Window() const { return dlg.GetSafeHwnd(); }
    QLineEdit* Edit(int nID) const { return ControlWidget<QLineEdit>(dlg, nID); }

    ScopedPortRegistry ports;
    MessageBoxRecorder boxes;
    CVelkaroDlg dlg;
};
