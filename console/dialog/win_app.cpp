#include "console/dialog/win_app.h"

#include "dialog_backend_state.h"

CWinApp* CWinApp::s_pTheApp = nullptr;

const MessageMap CWinApp::messageMap = {&CCmdTarget::messageMap, {}};

CWinApp::CWinApp(const char* pszAppName) : m_strAppName(pszAppName ? pszAppName : "") {
    s_pTheApp = this;
}

CWinApp::~CWinApp() {
    s_pTheApp = nullptr;
}

CWinApp* AfxGetApp() {
    return CWinApp::s_pTheApp;
}

CWnd* AfxGetMainWnd() {
    return AfxGetApp() != nullptr ? AfxGetApp()->m_pMainWnd : nullptr;
}

std::string AppNameFromPath(const std::string& executablePath) {
    // By hand rather than through std::filesystem, which on Windows would take the UTF-8 text
    // for the ANSI code page. Both separators, as Windows has them.
    const std::size_t slash = executablePath.find_last_of("/\\");
    std::string name =
        slash == std::string::npos ? executablePath : executablePath.substr(slash + 1);
    if (const std::size_t dot = name.rfind('.'); dot != std::string::npos && dot != 0) {
        name.resize(dot);
    }
    return name;
}

std::vector<std::string> CWinApp::CommandLineArguments() const {
    return m_argc > 1 ? std::vector<std::string>(m_argv + 1, m_argv + m_argc)
                      : std::vector<std::string>();
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
