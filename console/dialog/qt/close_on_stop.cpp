#include "console/dialog/close_on_stop.h"

#include <QApplication>
#include <QWidget>

#include "console/dialog/win_app.h"
#include "console/dialog/wnd.h"

void CloseWindowsOnStop() {
    CWnd* mainWnd = AfxGetMainWnd();
    QWidget* main = mainWnd != nullptr ? mainWnd->GetSafeHwnd() : nullptr;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window != main && window->isVisible() && window->isModal()) {
            window->close();
        }
    }
    if (main != nullptr) {
        mainWnd->SendMessage(WM_SYSCOMMAND, SC_CLOSE);
    }
}
