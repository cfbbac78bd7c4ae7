#include "console/dialog/win_app.h"

#include "console/dialog/win32/dialog_backend_state.h"
#include "console/dialog/win32/wide.h"
#include "console/dialog/win32/window_thread.h"
#include "console/dialog/wnd.h"
#include "res/resource.h"

BOOL CWinApp::InitInstance() {
    // The classes of the common controls, the list view among them, exist only once
    // registered.
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&controls);
    AdoptWindowThread();
    return TRUE;
}

int CWinApp::ExitInstance() {
    return 0;
}

HICON CWinApp::LoadIcon(UINT nIDResource) const {
    return ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(nIDResource));
}

void CWinApp::OnHelp() {
    CWnd* mainWnd = AfxGetMainWnd();
    // A disabled main window has a box open over it.
    if (mainWnd != nullptr && mainWnd->GetSafeHwnd() != nullptr && mainWnd->IsWindowEnabled()) {
        mainWnd->SendMessage(WM_SYSCOMMAND, IDM_ABOUTBOX);
    }
}

std::string AfxGetAppName() {
    CWinApp* app = AfxGetApp();
    if (app != nullptr && !app->m_strAppName.empty()) {
        return app->m_strAppName;
    }
    // The executable's path as a wide text, so that any character of its name survives.
    wchar_t path[MAX_PATH];
    const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    return AppNameFromPath(Narrow(std::wstring_view(path, length)));
}

void AfxTrace(const std::string& line) {
    ::OutputDebugStringW(Wide(line + "\n").c_str());
}
