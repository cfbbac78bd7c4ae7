// Takes the README's picture of the acceptance dialog of Velkaro.exe: starts it, runs an
// acceptance from outside, as an automation tool would (the window's own messages only), on the
// port named on the command line (eight nodes, the lock of 03 jammed and node 05 silent), and
// saves the dialog with its failure shown as a bitmap.
// Usage: acceptance_screenshot Velkaro.exe COM11 out.bmp
#include <windows.h>

#include "console/win32_screenshot.h"
#include "res/resource.h"

namespace {

void SetText(HWND control, const wchar_t* text) {
    ::SendMessageW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

// Opens the acceptance dialog from the system menu; null if it does not come.
HWND OpenAcceptanceDialog(HWND window) {
    ::SendMessageW(window, WM_SYSCOMMAND, IDM_ACCEPTANCE, 0);
    HWND dialog = nullptr;
    WaitFor([&] {
        dialog = ::FindWindowW(L"#32770", L"验收测试");
        return dialog != nullptr && ::IsWindowVisible(dialog);
    });
    return dialog;
}

// Starts the run and waits for its result, shown when "开始" is enabled again.
bool RunAcceptance(HWND dialog) {
    SetText(::GetDlgItem(dialog, IDC_EDIT_CABINET), L"A-017");
    SetText(::GetDlgItem(dialog, IDC_EDIT_OPERATOR), L"张三");
    HWND start = ::GetDlgItem(dialog, IDC_BTN_START);
    ::SendMessageW(start, BM_CLICK, 0, 0);
    return WaitFor([&] {
        return ::IsWindowEnabled(start) &&
               !TextOf(::GetDlgItem(dialog, IDC_STATIC_VERDICT)).empty();
    });
}

}  // namespace

int main(int argc, char** argv) {
    return TakePicture(argc, argv, "acceptance_screenshot", [](HWND window, const char* port) {
        SetText(::GetDlgItem(window, IDC_EDIT_MAX_ADDR), L"07");
        HWND dialog = OpenPort(window, port) ? OpenAcceptanceDialog(window) : nullptr;
        return dialog != nullptr && RunAcceptance(dialog) ? dialog : nullptr;
    });
}
