// CWnd: the window layer's handle on one window or control. A wrapper is bound to a Qt
// widget (Attach, or DDX_Control in a dialog) and forwards the operations to it. All of them
// run on the window's thread.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "console/dialog/message_map.h"
#include "console/dialog/types.h"

class QWidget;

class CWnd : public CCmdTarget {
  public:
    CWnd() = default;
    ~CWnd() override;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    QWidget* GetSafeHwnd() const { return m_pWidget; }
    void Attach(QWidget* widget);
    void Detach();

    int GetDlgCtrlID() const;
    // The control with id nID among this window's children; nullptr when there is none.
    CWnd* GetDlgItem(int nID) const;
    // The wrapper of one of this window's children: the bound member, or one of its own.
    CWnd* WrapperOf(QWidget* child) const;

    std::string GetWindowText() const;
    void SetWindowText(const std::string& text);
    // Nonzero when the window was disabled before the call.
    BOOL EnableWindow(BOOL bEnable = TRUE);
    BOOL IsWindowEnabled() const;
    void SetFocus();

    BOOL IsIconic() const;
    void GetClientRect(CRect* lpRect) const;
    // One window icon serves both sizes here: the window system picks the size it shows.
    void SetIcon(HICON hIcon, BOOL bBigIcon);

    // A message box owned by this window's top-level window; the caption defaults to the
    // application's name. Returns the button pressed (IDOK).
    int MessageBox(const std::string& text, const char* caption = nullptr, UINT nType = MB_OK);

    // Runs a message through the message map, or its default handling when none is mapped.
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

  protected:
    // The default handling of the messages that classes map.
    void OnSysCommand(UINT nID, LPARAM lParam);
    void OnPaint();

    QWidget* m_pWidget = nullptr;

  private:
    void RunCommand(UINT nCode, UINT nID);
    LRESULT RunSysCommand(UINT nID, LPARAM lParam);
    LRESULT RunPaint();
    LRESULT RunQueryDragIcon();

    // Wrappers handed out by GetDlgItem for controls that no member is bound to.
    mutable std::map<QWidget*, std::unique_ptr<CWnd>> m_temporaryWrappers;
};

// Helpers for the layer's own code: a widget's control id and the wrapper bound to it.
int ControlIdOf(const QWidget* widget);
void SetControlId(QWidget* widget, int nID);
CWnd* BoundWrapperOf(const QWidget* widget);
