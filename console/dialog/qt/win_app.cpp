#include "console/dialog/win_app.h"

#include <QApplication>
#include <QWidget>

#include "console/dialog/qt/dialog_backend_state.h"
#include "console/dialog/qt/icon.h"
#include "console/dialog/wnd.h"
#include "res/resource.h"

// The common controls need no start-up: Qt's widgets exist once the application does.
BOOL CWinApp::InitInstance() {
    m_pState = std::make_unique<State>(m_argc, m_argv);
    QApplication::setApplicationName(QString::fromStdString(
        m_strAppName.empty() && m_argc > 0 ? AppNameFromPath(m_argv[0]) : m_strAppName));
    if (HICON icon = LoadIcon(IDR_MAINFRAME)) {
        QApplication::setWindowIcon(icon->icon);
    }
    return TRUE;
}

int CWinApp::ExitInstance() {
    m_pState.reset();
    return 0;
}

HICON CWinApp::LoadIcon(UINT nIDResource) const {
    return LoadIconResource(static_cast<int>(nIDResource));
}

void CWinApp::OnHelp() {
    CWnd* mainWnd = AfxGetMainWnd();
    if (mainWnd == nullptr || mainWnd->GetSafeHwnd() == nullptr) {
        return;
    }
    QWidget* topModal = QApplication::activeModalWidget();
    if (topModal == nullptr || topModal == mainWnd->GetSafeHwnd()) {
        mainWnd->SendMessage(WM_SYSCOMMAND, IDM_ABOUTBOX);
    }
}

std::string AfxGetAppName() {
    return QCoreApplication::applicationName().toStdString();
}

void AfxTrace(const std::string& line) {
    qWarning("%s", line.c_str());
}
