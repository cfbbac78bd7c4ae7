#include "console/dialog/dialog.h"

#include <vector>

#include "console/dialog/win32/busy_cursor.h"
#include "console/dialog/win32/dialog_backend_state.h"
#include "console/dialog/win32/dialog_template.h"
#include "console/dialog/win32/emphasis.h"
#include "console/dialog/win32/window_thread.h"
#include "console/dialog/window_system.h"

namespace {

struct CtrlShortcut {
    HWND dialog;
    UINT key;
    UINT nID;
    HWND scope;  // nullptr: the whole window
};

// The window thread's shortcuts, of every dialog that asked.
std::vector<CtrlShortcut>& CtrlShortcuts() {
    static std::vector<CtrlShortcut> shortcuts;
    return shortcuts;
}

bool KeyDown(int virtualKey) {
    return (::GetKeyState(virtualKey) & 0x8000) != 0;
}

bool InScope(const CtrlShortcut& shortcut, HWND target) {
    return shortcut.scope != nullptr ? target == shortcut.scope
                                     : ::GetAncestor(target, GA_ROOT) == shortcut.dialog;
}

// Sees every message the window thread takes from its queue, the dialog manager's modal loop
// included, and turns a shortcut's key press into the dialog's command before it is handled.
LRESULT CALLBACK CtrlShortcutHook(int code, WPARAM wParam, LPARAM lParam) {
    auto* msg = reinterpret_cast<MSG*>(lParam);
    if (code == HC_ACTION && wParam == PM_REMOVE && msg->message == WM_KEYDOWN &&
        KeyDown(VK_CONTROL) && !KeyDown(VK_MENU)) {
        for (const CtrlShortcut& shortcut : CtrlShortcuts()) {
            if (shortcut.key == msg->wParam && InScope(shortcut, msg->hwnd)) {
                *msg = MSG{shortcut.dialog, WM_COMMAND, MAKEWPARAM(shortcut.nID, 0), 0,
                           msg->time,       msg->pt};
                break;
            }
        }
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

// The dialog procedure: the dialog manager creates the window and its controls from the
// template and handles the keyboard (Tab, Enter, Escape) itself; the messages that the
// classes map go through their message maps.
struct DialogBackend {
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    // The template, kept for the window about to be created; nullptr when there is no such
    // template or the window exists already.
    static const res::DialogTemplate* PrepareState(CDialogEx& dlg);
    static BOOL Initialise(HWND hWnd, CDialogEx& dlg);
    static void ReleaseWindow(CDialogEx& dlg);
    // The dialog object of one of our dialog windows, nullptr for any other window.
    static CDialogEx* DialogOf(HWND hWnd);
    static bool RunAccelerator(CDialogEx& dlg, const MSG& msg);
    // Sees the messages of every dialog loop on this thread before the loop does.
    static LRESULT CALLBACK MessageFilter(int code, WPARAM wParam, LPARAM lParam);
};

namespace {
HHOOK g_hMessageFilter = nullptr;
}  // namespace

CDialogEx* DialogBackend::DialogOf(HWND hWnd) {
    if (hWnd == nullptr ||
        ::GetWindowLongPtrW(hWnd, DWLP_DLGPROC) != reinterpret_cast<LONG_PTR>(&DialogProc)) {
        return nullptr;
    }
    auto* dlg = reinterpret_cast<CDialogEx*>(::GetWindowLongPtrW(hWnd, DWLP_USER));
    return dlg != nullptr && dlg->m_hWnd == hWnd ? dlg : nullptr;
}

bool DialogBackend::RunAccelerator(CDialogEx& dlg, const MSG& msg) {
    if (msg.message != WM_KEYDOWN || ::GetKeyState(VK_CONTROL) >= 0 || ::GetKeyState(VK_MENU) < 0 ||
        ::GetKeyState(VK_SHIFT) < 0) {
        return false;
    }
    for (const res::Accelerator& accelerator : res::FindAccelerators(dlg.m_pState->tpl->id)) {
        if (msg.wParam == static_cast<WPARAM>(accelerator.key)) {
            dlg.SendMessage(WM_SYSCOMMAND, static_cast<WPARAM>(accelerator.command));
            return true;
        }
    }
    return false;
}

// A dialog loop (the modal dialogs', the message boxes') knows only its own dialog. Here the
// keys of our windows get their accelerators, and a modeless dialog of ours its keyboard
// navigation, whichever loop runs.
LRESULT CALLBACK DialogBackend::MessageFilter(int code, WPARAM wParam, LPARAM lParam) {
    if (code == MSGF_DIALOGBOX) {
        MSG& msg = *reinterpret_cast<MSG*>(lParam);
        CDialogEx* dlg = DialogOf(::GetAncestor(msg.hwnd, GA_ROOT));
        if (dlg != nullptr && dlg->m_pState && RunAccelerator(*dlg, msg)) {
            return TRUE;
        }
        if (dlg != nullptr && !dlg->m_bInModalLoop && ::IsDialogMessageW(dlg->m_hWnd, &msg)) {
            return TRUE;
        }
    }
    return ::CallNextHookEx(g_hMessageFilter, code, wParam, lParam);
}

const res::DialogTemplate* DialogBackend::PrepareState(CDialogEx& dlg) {
    const res::DialogTemplate* tpl = res::FindDialogTemplate(static_cast<int>(dlg.m_nIDTemplate));
    if (tpl == nullptr || dlg.m_hWnd != nullptr) {
        return nullptr;
    }
    dlg.m_pState = std::make_unique<CDialogEx::WindowState>();
    dlg.m_pState->tpl = tpl;
    return tpl;
}

BOOL DialogBackend::Initialise(HWND hWnd, CDialogEx& dlg) {
    AdoptWindowThread();
    if (g_hMessageFilter == nullptr) {
        g_hMessageFilter =
            ::SetWindowsHookExW(WH_MSGFILTER, MessageFilter, nullptr, ::GetCurrentThreadId());
    }
    ::SetWindowLongPtrW(hWnd, DWLP_USER, reinterpret_cast<LONG_PTR>(&dlg));
    dlg.Attach(hWnd);
    if (dlg.m_pState->tpl->style & res::dlg::SysMenu) {
        dlg.m_pState->systemMenu = std::make_unique<CMenu>(&dlg);
    }
    dlg.m_nModalResult = -1;
    dlg.m_bEnding = false;
    return dlg.OnInitDialog();
}

void DialogBackend::ReleaseWindow(CDialogEx& dlg) {
    ::EnumChildWindows(
        dlg.m_hWnd,
        [](HWND child, LPARAM) -> BOOL {
            if (CWnd* bound = BoundWrapperOf(child)) {
                bound->Detach();
            }
            ReleaseEmphasis(child);
            return TRUE;
        },
        0);
    dlg.m_pState->systemMenu.reset();
    dlg.Detach();
}

INT_PTR CALLBACK DialogBackend::DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        return Initialise(hWnd, *reinterpret_cast<CDialogEx*>(lParam));
    }
    auto* dlg = reinterpret_cast<CDialogEx*>(::GetWindowLongPtrW(hWnd, DWLP_USER));
    if (dlg == nullptr || dlg->m_hWnd != hWnd) {
        return FALSE;
    }
    switch (message) {
        case WM_HELP:
            // F1: the help command, which the application answers.
            dlg->SendMessage(WM_COMMAND, MAKEWPARAM(ID_HELP, 0));
            return TRUE;
        case WM_DESTROY:
            std::erase_if(CtrlShortcuts(),
                          [hWnd](const CtrlShortcut& shortcut) { return shortcut.dialog == hWnd; });
            ReleaseWindow(*dlg);
            return FALSE;
        case WM_SETCURSOR:
            // Asked by the window itself and, before they choose, by its controls.
            if (SetBusyCursorIfMarked(hWnd, lParam)) {
                ::SetWindowLongPtrW(hWnd, DWLP_MSGRESULT, TRUE);
                return TRUE;
            }
            return FALSE;
        case WM_CTLCOLORSTATIC:
            if (PaintEmphasis(reinterpret_cast<HWND>(lParam), reinterpret_cast<HDC>(wParam))) {
                return reinterpret_cast<INT_PTR>(::GetSysColorBrush(COLOR_BTNFACE));
            }
            return FALSE;
        case WM_QUERYDRAGICON: {
            // One of the messages whose result a dialog procedure returns itself.
            LRESULT icon = 0;
            return dlg->OnWndMsg(message, wParam, lParam, &icon) ? icon : FALSE;
        }
        default: {
            LRESULT result = 0;
            return dlg->OnWndMsg(message, wParam, lParam, &result) ? TRUE : FALSE;
        }
    }
}

HWND RootWindowOf(HWND hWnd) {
    return ::GetAncestor(hWnd, GA_ROOT);
}

HWND ActiveWindow() {
    return ::GetActiveWindow();
}

void EndModalLoop(HWND hWnd, int nResult) {
    ::EndDialog(hWnd, nResult);
}

BOOL CDialogEx::CreateModeless(HWND owner) {
    const res::DialogTemplate* tpl = DialogBackend::PrepareState(*this);
    if (tpl == nullptr) {
        return FALSE;
    }
    const DialogTemplateImage image(*tpl);
    const HWND hWnd =
        ::CreateDialogIndirectParamW(::GetModuleHandleW(nullptr), image.Get(), owner,
                                     DialogBackend::DialogProc, reinterpret_cast<LPARAM>(this));
    return hWnd != nullptr;
}

INT_PTR CDialogEx::DoModal() {
    const res::DialogTemplate* tpl = DialogBackend::PrepareState(*this);
    if (tpl == nullptr) {
        return -1;
    }
    const DialogTemplateImage image(*tpl);
    m_bInModalLoop = true;
    const INT_PTR result =
        ::DialogBoxIndirectParamW(::GetModuleHandleW(nullptr), image.Get(), ModalOwner(),
                                  DialogBackend::DialogProc, reinterpret_cast<LPARAM>(this));
    m_bInModalLoop = false;
    return result;
}

void CDialogEx::DestroyWindow() {
    if (m_hWnd != nullptr) {
        ::DestroyWindow(m_hWnd);
    }
}

void CDialogEx::OnContextMenu(CWnd*, CPoint) {}

void CDialogEx::AddCtrlShortcut(UINT nKey, UINT nID, CWnd* pScope) {
    static const HHOOK hook =
        ::SetWindowsHookExW(WH_GETMESSAGE, CtrlShortcutHook, nullptr, ::GetCurrentThreadId());
    (void)hook;
    CtrlShortcuts().push_back(
        {m_hWnd, nKey, nID, pScope != nullptr ? pScope->GetSafeHwnd() : nullptr});
}

// The dialog manager creates the controls in template order, each after the previous one.
std::vector<CWnd*> CDialogEx::GetTemplateControls() const {
    std::vector<CWnd*> controls;
    for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child != nullptr;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
        controls.push_back(WrapperOf(child));
    }
    return controls;
}
