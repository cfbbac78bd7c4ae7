#include "console/dialog/wnd.h"

#include <vector>

#include "console/dialog/win32/busy_cursor.h"
#include "console/dialog/win32/wide.h"
#include "console/dialog/window_system.h"

namespace {
// The window property that holds the wrapper a window is bound to.
constexpr wchar_t kWrapperProperty[] = L"VelkaroWrapper";
}  // namespace

CWnd* BoundWrapperOf(HWND hWnd) {
    return static_cast<CWnd*>(::GetPropW(hWnd, kWrapperProperty));
}

void BindWrapper(HWND hWnd, CWnd* pWrapper) {
    if (pWrapper != nullptr) {
        ::SetPropW(hWnd, kWrapperProperty, pWrapper);
    } else {
        ::RemovePropW(hWnd, kWrapperProperty);
    }
}

CWnd* CWnd::GetDlgItem(int nID) const {
    HWND child = ::GetDlgItem(m_hWnd, nID);
    return child != nullptr ? WrapperOf(child) : nullptr;
}

std::string CWnd::GetWindowText() const {
    std::vector<wchar_t> text(static_cast<size_t>(::GetWindowTextLengthW(m_hWnd)) + 1);
    const int length = ::GetWindowTextW(m_hWnd, text.data(), static_cast<int>(text.size()));
    return Narrow(std::wstring_view(text.data(), static_cast<size_t>(length)));
}

void CWnd::SetWindowText(const std::string& text) {
    ::SetWindowTextW(m_hWnd, Wide(text).c_str());
}

BOOL CWnd::EnableWindow(BOOL bEnable) {
    return ::EnableWindow(m_hWnd, bEnable);
}

BOOL CWnd::IsWindowEnabled() const {
    return ::IsWindowEnabled(m_hWnd);
}

void CWnd::ShowWindow(int nCmdShow) {
    ::ShowWindow(m_hWnd, nCmdShow);
    if (nCmdShow != SW_HIDE) {
        ::SetForegroundWindow(m_hWnd);
    }
}

void CWnd::SetFocus() {
    ::SetFocus(m_hWnd);
}

BOOL CWnd::IsIconic() const {
    return ::IsIconic(m_hWnd);
}

void CWnd::ClientToScreen(CPoint* lpPoint) const {
    POINT point{lpPoint->x, lpPoint->y};
    ::ClientToScreen(m_hWnd, &point);
    *lpPoint = {point.x, point.y};
}

void CWnd::GetClientRect(CRect* lpRect) const {
    RECT rect{};
    ::GetClientRect(m_hWnd, &rect);
    *lpRect = {rect.left, rect.top, rect.right, rect.bottom};
}

void CWnd::SetIcon(HICON hIcon, BOOL bBigIcon) {
    ::SendMessageW(m_hWnd, WM_SETICON, bBigIcon ? ICON_BIG : ICON_SMALL,
                   reinterpret_cast<LPARAM>(hIcon));
}

void CWnd::ShowBusyCursor(BOOL bBusy) {
    MarkBusyCursor(m_hWnd, bBusy != FALSE);
    // A pointer resting over the window changes now rather than at its next move.
    POINT point;
    if (!::GetCursorPos(&point)) {
        return;
    }
    HWND under = ::WindowFromPoint(point);
    if (under == m_hWnd || ::IsChild(m_hWnd, under)) {
        ::SendMessageW(under, WM_SETCURSOR, reinterpret_cast<WPARAM>(under),
                       MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    }
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::SendMessageW(m_hWnd, message, wParam, lParam);
}

void CWnd::OnSysCommand(UINT nID, LPARAM lParam) {
    ::DefWindowProcW(m_hWnd, WM_SYSCOMMAND, nID, lParam);
}

void CWnd::OnPaint() {
    ::DefWindowProcW(m_hWnd, WM_PAINT, 0, 0);
}
