#include "console/Velkaro.h"

#include "console/VelkaroDlg.h"

const MessageMapEntry CVelkaroApp::messageEntries[] = {
    MapCommand(ID_HELP, &CWinApp::OnHelp),
};
const MessageMap CVelkaroApp::messageMap = {&CWinApp::messageMap, messageEntries};

// No restart-manager registration: nothing on Linux restarts a program after a crash.
CVelkaroApp::CVelkaroApp() = default;

BOOL CVelkaroApp::InitInstance() {
    // The base prepares the common controls and names the application after the executable.
    CWinApp::InitInstance();
    // No control container, shell manager or visual manager: the windows hold no embedded
    // components, open no shell views and draw in the desktop's own style.
    // No registry key: the program stores nothing.

    CVelkaroDlg dlg;
    m_pMainWnd = &dlg;
    const INT_PTR nResponse = dlg.DoModal();
    if (nResponse == -1) {
        // Only this warning: one about framework controls left out of the build would mean
        // nothing for this window layer.
        AfxTrace("警告: 对话框创建失败，应用程序将意外终止。");
    }
    m_pMainWnd = nullptr;
    // No control bars exist, so there is nothing to clean up.
    return FALSE;
}
