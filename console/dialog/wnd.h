// CWnd: the window layer's handle on one window or control. A wrapper is bound to a window
// (Attach, or DDX_Control in a dialog) and forwards the operations to it. All of them run on
// the window's thread.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "console/dialog/message_map.h"
#include "console/dialog/types.h"

class CWnd : public CCmdTarget {
  public:
    CWnd() = default;
    ~CWnd() override;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND GetSafeHwnd() const { return m_hWnd; }
    void Attach(HWND hWnd);
    void Detach();

    // The control with id nID among this window's children; nullptr when there is none.
    CWnd* GetDlgItem(int nID) const;
    // The wrapper of one of this window's children: the bound member, or one of its own.
    CWnd* WrapperOf(HWND child) const;

    std::string GetWindowText() const;
    void SetWindowText(const std::string& text);
    // Nonzero when the window was disabled before the call.
    BOOL EnableWindow(BOOL bEnable = TRUE);
    BOOL IsWindowEnabled() const;
    // SW_HIDE hides the window; SW_SHOW shows it and brings it to the front.
    void ShowWindow(int nCmdShow);
    void SetFocus();

    BOOL IsIconic() const;
    void GetClientRect(CRect* lpRect) const;
    // A point of the client area in screen coordinates.
    void ClientToScreen(CPoint* lpPoint) const;
    void SetIcon(HICON hIcon, BOOL bBigIcon);
    // The pointer over this window and its children: an arrow with a busy sign while work goes
    // on in the background (TRUE), the usual one again (FALSE). The window stays usable.
    void ShowBusyCursor(BOOL bBusy);

    // A message box owned by this window's top-level window; the caption defaults to the
    // application's name. Returns the button pressed (IDOK).
    int MessageBox(const std::string& text, const char* caption = nullptr, UINT nType = MB_OK);

    // Hands a message to the window: through the message map, or to its default handling
    // when none is mapped.
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

    // Runs a message through the message map; false, with *pResult untouched, when nothing
    // in the map handles it.
    bool OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);

  protected:
    // The default handling of the messages that classes map.
    void OnSysCommand(UINT nID, LPARAM lParam);
    void OnPaint();

    HWND m_hWnd = nullptr;

  private:
    void RunCommand(UINT nCode, UINT nID);

    // Wrappers handed out by GetDlgItem for controls that no member is bound to.
    mutable std::map<HWND, std::unique_ptr<CWnd>> m_temporaryWrappers;
};

// The wrapper bound to a window, nullptr when none is.
CWnd* BoundWrapperOf(HWND hWnd);
