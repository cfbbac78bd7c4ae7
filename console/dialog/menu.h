// A window's own menu, the system menu. Each item sends its id to the window as a system
// command.
#pragma once

#include <string>

#include "console/dialog/types.h"

class CWnd;

class CMenu {
  public:
    explicit CMenu(CWnd* pWindow);
    ~CMenu();
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;

    // MF_STRING with an id and text, or MF_SEPARATOR.
    BOOL AppendMenu(UINT nFlags, UINT nIDNewItem = 0, const std::string& text = {});
    int GetMenuItemCount() const;
    // 0 for a separator.
    UINT GetMenuItemID(int nPos) const;
    std::string GetMenuString(int nPos) const;

    HMENU GetSafeHmenu() const { return m_hMenu; }

  private:
    CWnd* m_pWindow;
    HMENU m_hMenu;
};
