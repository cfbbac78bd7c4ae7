#include "console/dialog/window_thread.h"

#include <windows.h>

#include <deque>
#include <map>
#include <mutex>

#include "console/dialog/win32/window_thread.h"

namespace {

// Work is posted to a message-only window of the window's thread, so that every message loop
// on that thread runs it: the dialogs' modal loops, the message boxes' and the wait below.
constexpr UINT kRunPostedWork = WM_APP + 1;

std::mutex g_mutex;
std::deque<std::function<void()>> g_posted;
// Work posted for later, by the id of the work window's timer that runs it.
std::map<UINT_PTR, std::function<void()>> g_delayed;
UINT_PTR g_nLastTimerId = 0;
HWND g_hWorkWindow = nullptr;

std::function<void()> TakePosted() {
    std::lock_guard lock(g_mutex);
    if (g_posted.empty()) {
        return nullptr;
    }
    std::function<void()> op = std::move(g_posted.front());
    g_posted.pop_front();
    return op;
}

std::function<void()> TakeDelayed(HWND hWnd, UINT_PTR nTimerId) {
    std::lock_guard lock(g_mutex);
    ::KillTimer(hWnd, nTimerId);
    const auto it = g_delayed.find(nTimerId);
    if (it == g_delayed.end()) {
        return nullptr;
    }
    std::function<void()> op = std::move(it->second);
    g_delayed.erase(it);
    return op;
}

LRESULT CALLBACK WorkWindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER) {
        if (std::function<void()> op = TakeDelayed(hWnd, wParam)) {
            op();
        }
        return 0;
    }
    if (message != kRunPostedWork) {
        return ::DefWindowProcW(hWnd, message, wParam, lParam);
    }
    while (std::function<void()> op = TakePosted()) {
        op();
    }
    return 0;
}

}  // namespace

void AdoptWindowThread() {
    std::lock_guard lock(g_mutex);
    if (g_hWorkWindow != nullptr) {
        return;
    }
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = WorkWindowProc;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"VelkaroPostedWork";
    ::RegisterClassW(&windowClass);
    g_hWorkWindow = ::CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0,
                                      HWND_MESSAGE, nullptr, windowClass.hInstance, nullptr);
}

void PostToWindowThread(std::function<void()> op) {
    std::lock_guard lock(g_mutex);
    g_posted.push_back(std::move(op));
    // One message serves everything queued until it runs.
    if (g_posted.size() == 1) {
        ::PostMessageW(g_hWorkWindow, kRunPostedWork, 0, 0);
    }
}

void PostToWindowThreadAfter(std::chrono::milliseconds delay, std::function<void()> op) {
    std::lock_guard lock(g_mutex);
    const UINT_PTR nTimerId = ++g_nLastTimerId;
    g_delayed[nTimerId] = std::move(op);
    ::SetTimer(g_hWorkWindow, nTimerId, static_cast<UINT>(delay.count()), nullptr);
}

void ServeWindowsUntil(const std::function<bool()>& done) {
    // Posted and sent messages, painting and timers, but not the keyboard or the mouse.
    constexpr UINT kServed = PM_QS_POSTMESSAGE | PM_QS_SENDMESSAGE | PM_QS_PAINT;
    while (!done()) {
        ::MsgWaitForMultipleObjectsEx(0, nullptr, kServePollMs,
                                      QS_POSTMESSAGE | QS_SENDMESSAGE | QS_PAINT | QS_TIMER, 0);
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE | kServed)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
}
