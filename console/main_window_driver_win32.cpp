// The Win32 window's driver: the dialog manager's window, driven and read with the window
// system's own messages (BM_CLICK, WM_SETTEXT, LVM_SETITEMSTATE...), as an automation tool would.
#include "console/dialog/win_app.h"
#include "console/main_window_driver.h"
#include "console/win32_test_support.h"

namespace {

std::string MenuText(HMENU menu, int position) {
    wchar_t text[64];
    const int length = ::GetMenuStringW(menu, static_cast<UINT>(position), text, 64, MF_BYPOSITION);
    return Narrow(std::wstring_view(text, static_cast<size_t>(length)));
}

}  // namespace

struct MainWindowDriver::Window {
    CVelkaroDlg dlg;
    bool shown = false;

    HWND Item(int id) const { return ::GetDlgItem(dlg.GetSafeHwnd(), id); }
};

MainWindowDriver::MainWindowDriver() : m_window(std::make_unique<Window>()) {
    m_window->shown = m_window->dlg.Create();
    AfxGetApp()->m_pMainWnd = &m_window->dlg;
}

MainWindowDriver::~MainWindowDriver() {
    AfxGetApp()->m_pMainWnd = nullptr;
}

bool MainWindowDriver::Shown() const {
    return m_window->shown;
}

CVelkaroDlg& MainWindowDriver::Dlg() {
    return m_window->dlg;
}

void MainWindowDriver::Click(int id) {
    ::Click(m_window->Item(id));
}

void MainWindowDriver::SetField(int id, const std::string& text) {
    ::SetText(m_window->Item(id), text);
}

std::string MainWindowDriver::Field(int id) const {
    return TextOf(m_window->Item(id));
}

bool MainWindowDriver::Enabled(int id) const {
    return ::IsWindowEnabled(m_window->Item(id));
}

bool MainWindowDriver::Checked(int id) const {
    return ::SendMessageW(m_window->Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void MainWindowDriver::SelectRow(int row) {
    LVITEMW selected{};
    selected.state = selected.stateMask = LVIS_SELECTED;
    ::SendMessageW(m_window->Item(IDC_LIST_NODES), LVM_SETITEMSTATE, static_cast<WPARAM>(row),
                   reinterpret_cast<LPARAM>(&selected));
}

std::vector<MenuEntry> MainWindowDriver::SystemMenu() const {
    HMENU menu = ::GetSystemMenu(m_window->dlg.GetSafeHwnd(), FALSE);
    std::vector<MenuEntry> entries;
    for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
        MENUITEMINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE;
        ::GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info);
        entries.push_back(
            {::GetMenuItemID(menu, i), MenuText(menu, i), (info.fType & MFT_SEPARATOR) != 0});
    }
    return entries;
}
