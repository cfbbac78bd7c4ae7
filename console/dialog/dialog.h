// CDialogEx: a window built from a dialog template. Enter runs the OK command (the focused
// push button's, or the default button's), Escape the Cancel command, the close box the
// system command SC_CLOSE; F1 asks the application for help. Alt+Space opens the window's own
// menu (GetSystemMenu), and on Qt a context-menu gesture that the dialog does not map
// (WM_CONTEXTMENU) does too.
#pragma once

#include <memory>
#include <vector>

#include "console/dialog/wnd.h"

class CDataExchange;
class CMenu;

class CDialogEx : public CWnd {
  public:
    explicit CDialogEx(UINT nIDTemplate, CWnd* pParent = nullptr);
    ~CDialogEx() override;

    // Runs the dialog in a local event loop until EndDialog and returns its result: IDOK or
    // IDCANCEL, -1 when the window could not be created. The window is gone on return.
    virtual INT_PTR DoModal();
    // Creates and initialises the window, shows it if its template is visible and returns.
    BOOL Create(CWnd* pParentWnd = nullptr);
    void DestroyWindow();
    void EndDialog(int nResult);

    // FALSE: the controls to the members (no checks); TRUE: the members from the controls,
    // FALSE when a value failed its check.
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

    // nullptr for a window without a system menu.
    CMenu* GetSystemMenu(BOOL bRevert);
    // Ctrl + nKey (an upper-case letter) sends the command nID to the dialog: while the focus
    // is in pScope, or anywhere in the window when pScope is nullptr.
    void AddCtrlShortcut(UINT nKey, UINT nID, CWnd* pScope = nullptr);
    // The radio buttons of the group that starts with control nIDC, in template order.
    std::vector<CWnd*> GetRadioGroup(int nIDC) const;
    // The window's controls, one for each of the template's, in template order.
    std::vector<CWnd*> GetTemplateControls() const;
    // The template's caption and control texts, shown again in the language of the moment.
    void ShowTemplateTexts();

    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();

    const MessageMap* GetMessageMap() const override { return &messageMap; }
    static const MessageMapEntry messageEntries[];
    static const MessageMap messageMap;

  protected:
    virtual void DoDataExchange(CDataExchange* pDX);
    // What a context-menu gesture does where the dialog shows no menu of its own: on Qt the
    // system menu, as Alt+Space; on Windows nothing, as the dialog manager does.
    void OnContextMenu(CWnd* pWnd, CPoint point);

  private:
    // The backend's side of the dialog: its window, its controls and their handling.
    struct WindowState;
    friend struct DialogBackend;

    // The backend's part of Create: the window, shown when its template is visible.
    BOOL CreateModeless(HWND owner);
    // Without a parent the dialog belongs to the main window, or to the active window.
    HWND ModalOwner() const;

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;
    int m_nModalResult = -1;
    bool m_bEnding = false;
    bool m_bInModalLoop = false;
    std::unique_ptr<WindowState> m_pState;
};
