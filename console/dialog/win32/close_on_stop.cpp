#include "console/dialog/close_on_stop.h"

#include <windows.h>

#include <vector>

#include "console/dialog/win_app.h"
#include "console/dialog/wnd.h"

namespace {

// The boxes open on this thread: visible windows with an owner (message boxes, the About box).
std::vector<HWND> OpenBoxes(HWND main) {
    std::vector<HWND> boxes;
    struct Search {
        HWND main;
        std::vector<HWND>* boxes;
    } search{main, &boxes};
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND hWnd, LPARAM lParam) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(lParam);
            if (hWnd != s.main && ::IsWindowVisible(hWnd) &&
                ::GetWindow(hWnd, GW_OWNER) != nullptr) {
                s.boxes->push_back(hWnd);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return boxes;
}

}  // namespace

void CloseWindowsOnStop() {
    CWnd* mainWnd = AfxGetMainWnd();
    HWND main = mainWnd != nullptr ? mainWnd->GetSafeHwnd() : nullptr;
    // A box closes as by its close box: Escape's answer, which ends its own modal loop.
    for (HWND box : OpenBoxes(main)) {
        ::SendMessageW(box, WM_CLOSE, 0, 0);
    }
    if (main != nullptr) {
        mainWnd->SendMessage(WM_SYSCOMMAND, SC_CLOSE);
    }
}
