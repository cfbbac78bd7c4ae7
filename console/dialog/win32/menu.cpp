#include "console/dialog/menu.h"

#include <vector>

#include "console/dialog/win32/wide.h"
#include "console/dialog/wnd.h"

// The window's own system menu, which the window owns and destroys; or a popup menu of ours.
CMenu::CMenu(CWnd* pWindow, MenuKind kind)
    : m_pWindow(pWindow),
      m_kind(kind),
      m_hMenu(kind == MenuKind::System ? ::GetSystemMenu(pWindow->GetSafeHwnd(), FALSE)
                                       : ::CreatePopupMenu()) {}

CMenu::~CMenu() {
    if (m_kind == MenuKind::Popup) {
        ::DestroyMenu(m_hMenu);
    }
}

BOOL CMenu::AppendMenu(UINT nFlags, UINT nIDNewItem, const std::string& text) {
    return ::AppendMenuW(m_hMenu, nFlags, nIDNewItem, Wide(text).c_str());
}

BOOL CMenu::ModifyMenu(UINT nID, UINT nFlags, UINT nIDNewItem, const std::string& text) {
    return ::ModifyMenuW(m_hMenu, nID, nFlags, nIDNewItem, Wide(text).c_str());
}

int CMenu::GetMenuItemCount() const {
    return ::GetMenuItemCount(m_hMenu);
}

UINT CMenu::GetMenuItemID(int nPos) const {
    const UINT id = ::GetMenuItemID(m_hMenu, nPos);
    return id == static_cast<UINT>(-1) ? 0 : id;
}

std::string CMenu::GetMenuString(int nPos) const {
    wchar_t text[256];
    const int length = ::GetMenuStringW(m_hMenu, static_cast<UINT>(nPos), text, 256, MF_BYPOSITION);
    return Narrow(std::wstring_view(text, static_cast<size_t>(length)));
}

void CMenu::TrackPopupMenu(CPoint screenPoint) {
    // The choice comes back here rather than as a posted message, so it runs before we return.
    const UINT nID = static_cast<UINT>(
        ::TrackPopupMenu(m_hMenu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_LEFTALIGN | TPM_TOPALIGN,
                         screenPoint.x, screenPoint.y, 0, m_pWindow->GetSafeHwnd(), nullptr));
    if (nID != 0) {
        m_pWindow->SendMessage(WM_COMMAND, MAKEWPARAM(nID, 0));
    }
}
