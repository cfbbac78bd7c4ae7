#include "console/dialog/win_app.h"

#include <QApplication>
#include <QFileInfo>

#include "console/dialog/icon.h"
#include "console/dialog/wnd.h"
#include "res/resource.h"

namespace {
CWinApp* g_pApp = nullptr;
}  // namespace

const MessageMap CWinApp::messageMap = {&CCmdTarget::messageMap, {}};

CWinApp::CWinApp(const char* pszAppName) : m_strAppName(pszAppName ? pszAppName : "") {
    g_pApp = this;
}

CWinApp::~CWinApp() {
    g_pApp = nullptr;
}

BOOL CWinApp::InitInstance() {
    m_pApplication = std::make_unique<QApplication>(m_argc, m_argv);
    QApplication::setApplicationName(QString::fromStdString(
        m_strAppName.empty() && m_argc > 0 ? AppNameFromPath(m_argv[0]) : m_strAppName));
    if (HICON icon = LoadIcon(IDR_MAINFRAME)) {
        QApplication::setWindowIcon(icon->icon);
    }
    return TRUE;
}

int CWinApp::ExitInstance() {
    m_pApplication.reset();
    return 0;
}

HICON CWinApp::LoadIcon(UINT nIDResource) const {
    return AfxLoadIconResource(static_cast<int>(nIDResource));
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

CWinApp* AfxGetApp() {
    return g_pApp;
}

CWnd* AfxGetMainWnd() {
    return g_pApp != nullptr ? g_pApp->m_pMainWnd : nullptr;
}

std::string AfxGetAppName() {
    return QCoreApplication::applicationName().toStdString();
}

std::string AppNameFromPath(const std::string& executablePath) {
    return QFileInfo(QString::fromStdString(executablePath)).completeBaseName().toStdString();
}

int AfxWinMain(int argc, char** argv) {
    CWinApp* app = AfxGetApp();
    app->m_argc = argc;
    app->m_argv = argv;
    // Every window of this program is modal, so InitInstance returns only when the main
    // window has closed; whatever it returns, there is no message loop left to run.
    app->InitInstance();
    return app->ExitInstance();
}
