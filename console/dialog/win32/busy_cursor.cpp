#include "console/dialog/win32/busy_cursor.h"

namespace {
// The window property that marks a window whose pointer shows the busy arrow.
constexpr wchar_t kBusyCursorProperty[] = L"VelkaroBusyCursor";
}  // namespace

void MarkBusyCursor(HWND hWnd, bool busy) {
    if (busy) {
        ::SetPropW(hWnd, kBusyCursorProperty, reinterpret_cast<HANDLE>(1));
    } else {
        ::RemovePropW(hWnd, kBusyCursorProperty);
    }
}

bool SetBusyCursorIfMarked(HWND hWnd, LPARAM lParam) {
    if (LOWORD(lParam) != HTCLIENT || ::GetPropW(hWnd, kBusyCursorProperty) == nullptr) {
        return false;
    }
    ::SetCursor(::LoadCursorW(nullptr, IDC_APPSTARTING));
    return true;
}
