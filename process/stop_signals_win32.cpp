// Stop signals of a Windows console: Ctrl-C and Ctrl-Break, and the console window closing,
// the user logging off or the system shutting down. Windows calls the handler on a thread of
// its own.
#include <windows.h>

#include <atomic>

#include "process/stop_signals.h"

namespace {

std::function<void(int, const std::string&)>* g_onStop = nullptr;
std::atomic<bool> g_stopping{false};

BOOL WINAPI OnConsoleControl(DWORD event) {
    const bool fromKeyboard = event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT;
    if (g_stopping.exchange(true)) {
        // A second Ctrl-C ends the process at once, through the default handler.
        return fromKeyboard ? FALSE : TRUE;
    }
    if (fromKeyboard) {
        (*g_onStop)(130, event == CTRL_C_EVENT ? "stopped by Ctrl-C" : "stopped by Ctrl-Break");
        return TRUE;
    }
    (*g_onStop)(143, "stopped: the console is closing");
    // Windows ends the process as soon as this returns; the run ends it sooner, once the port
    // is closed, and this thread goes with it.
    Sleep(INFINITE);
    return TRUE;
}

}  // namespace

struct StopSignalWatch::State {
    std::function<void(int, const std::string&)> onStop;
};

StopSignalWatch::StopSignalWatch(
    std::function<void(int exitStatus, const std::string& reason)> onStop)
    : m_state(std::make_unique<State>(State{std::move(onStop)})) {
    g_onStop = &m_state->onStop;
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

StopSignalWatch::~StopSignalWatch() {
    SetConsoleCtrlHandler(OnConsoleControl, FALSE);
}
