#include "console/Velkaro.h"

#include <cstdio>

#include "console/VelkaroDlg.h"
#include "console/dialog/close_on_stop.h"
#include "console/dialog/message_box.h"
#include "console/dialog/window_thread.h"
#include "process/stop_signals.h"
#include "res/texts.h"

const MessageMapEntry CVelkaroApp::messageEntries[] = {
    MapCommand(ID_HELP, &CWinApp::OnHelp),
};
const MessageMap CVelkaroApp::messageMap = {&CWinApp::messageMap, messageEntries};

// No restart-manager registration: nothing is stored between runs, so a restarted window
// would only start from its defaults, as a fresh start does.
CVelkaroApp::CVelkaroApp() = default;

BOOL CVelkaroApp::InitInstance() {
    // The base prepares the common controls and names the application after the executable.
    CWinApp::InitInstance();
    // No control container: the windows embed no components.
    // No shell manager: the program opens no shell views.
    // No visual manager: the controls draw in the system's own style.
    // No registry key: the program stores nothing.

    // Ctrl-C and SIGTERM close the windows as by their close boxes. Posted work runs once the
    // main window's message loop does, so it finds the window.
    const StopSignalWatch stopSignals(
        [](int, const std::string&) { PostToWindowThread(CloseWindowsOnStop); });

    if (!StartInChosenLanguage()) {
        return FALSE;
    }

    CVelkaroDlg dlg;
    // --trace FILE: the bus trace runs from the start, as its menu item would start it.
    const std::vector<std::string> args = CommandLineArguments();
    for (std::size_t i = 0; i + 1 < args.size(); ++i) {
        if (args[i] == "--trace") {
            dlg.m_strTracePath = args[i + 1];
        }
    }
    m_pMainWnd = &dlg;
    const INT_PTR nResponse = dlg.DoModal();
    if (nResponse == -1) {
        // Only this warning: one about framework controls left out of the build would mean
        // nothing for this window layer.
        AfxTrace(res::Text(res::TextId::WarnDialogFailed));
    }
    m_pMainWnd = nullptr;
    // No control bars exist, so there is nothing to clean up.
    return FALSE;
}

// --lang zh|en or VELKARO_LANG, as the command line's programs read them. Anything else is
// told in a box, the only place a window program started from the desktop can tell it, and on
// stderr; the window then does not open.
bool CVelkaroApp::StartInChosenLanguage() {
    const std::string name = AfxGetAppName();
    const std::vector<std::string> args = CommandLineArguments();
    std::vector<const char*> argv = {name.c_str()};
    for (const std::string& arg : args) {
        argv.push_back(arg.c_str());
    }
    std::string error;
    if (res::StartInChosenLanguage(static_cast<int>(argv.size()), argv.data(), error)) {
        return true;
    }
    std::fprintf(stderr, "%s: %s\n", name.c_str(), error.c_str());
    std::fflush(stderr);
    PresentMessageBox({nullptr, error, name, MB_OK | MB_ICONEXCLAMATION});
    m_bUsageError = true;
    return false;
}

int CVelkaroApp::ExitInstance() {
    const int code = CWinApp::ExitInstance();
    return m_bUsageError ? 2 : code;
}
