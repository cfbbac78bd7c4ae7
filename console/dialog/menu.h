// A window's menus: its own menu, the system menu, whose items send their ids to the window as
// system commands (WM_SYSCOMMAND); and popup menus shown at a point, whose items send theirs as
// commands (WM_COMMAND).
#pragma once

#include <string>

#include "console/dialog/types.h"

class CWnd;

enum class MenuKind { System, Popup };

class CMenu {
  public:
    explicit CMenu(CWnd* pWindow, MenuKind kind = MenuKind::System);
    ~CMenu();
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;

    // MF_STRING with an id and text, or MF_SEPARATOR.
    BOOL AppendMenu(UINT nFlags, UINT nIDNewItem = 0, const std::string& text = {});
    // The item whose command is nID (MF_BYCOMMAND) gets a new text and command.
    BOOL ModifyMenu(UINT nID, UINT nFlags, UINT nIDNewItem, const std::string& text);
    int GetMenuItemCount() const;
    // 0 for a separator.
    UINT GetMenuItemID(int nPos) const;
    std::string GetMenuString(int nPos) const;

    // A popup menu: shows it at the screen point and returns once it has closed, after the
    // chosen item's command has run.
    void TrackPopupMenu(CPoint screenPoint);

    HMENU GetSafeHmenu() const { return m_hMenu; }

  private:
    CWnd* m_pWindow;
    MenuKind m_kind;
    HMENU m_hMenu;
};
