#include "console/dialog/menu.h"

#include <vector>

#include "console/dialog/win32/wide.h"
#include "console/dialog/wnd.h"

// The window's own system menu, which the window owns and destroys.
CMenu::CMenu(CWnd* pWindow)
    : m_pWindow(pWindow), m_hMenu(::GetSystemMenu(pWindow->GetSafeHwnd(), FALSE)) {}

CMenu::~CMenu() = default;

BOOL CMenu::AppendMenu(UINT nFlags, UINT nIDNewItem, const std::string& text) {
    return ::AppendMenuW(m_hMenu, nFlags, nIDNewItem, Wide(text).c_str());
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
