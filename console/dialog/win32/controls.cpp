#include "console/dialog/controls.h"

#include <vector>

#include "console/dialog/win32/emphasis.h"
#include "console/dialog/win32/wide.h"

namespace {

// A visible list box repaints itself at once for every line added, which is far slower than
// the bus (about 10 ms a line under wine). Painting is switched off at the first new line and
// back on once this long afterwards, so a burst of lines costs one repaint.
constexpr UINT kLogRedrawDelayMs = 50;
constexpr UINT_PTR kLogRedrawTimer = 1;
constexpr wchar_t kRedrawHeldProperty[] = L"VelkaroRedrawHeld";

void CALLBACK ResumeRedraw(HWND hList, UINT, UINT_PTR idTimer, DWORD) {
    ::KillTimer(hList, idTimer);
    ::RemovePropW(hList, kRedrawHeldProperty);
    ::SendMessageW(hList, WM_SETREDRAW, TRUE, 0);
    ::RedrawWindow(hList, nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE);
}

void HoldRedrawBriefly(HWND hList) {
    if (!::IsWindowVisible(hList) || ::GetPropW(hList, kRedrawHeldProperty) != nullptr) {
        return;
    }
    ::SendMessageW(hList, WM_SETREDRAW, FALSE, 0);
    ::SetPropW(hList, kRedrawHeldProperty, hList);
    ::SetTimer(hList, kLogRedrawTimer, kLogRedrawDelayMs, ResumeRedraw);
}

int Send(HWND hWnd, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return static_cast<int>(::SendMessageW(hWnd, message, wParam, lParam));
}

LPARAM TextParam(const std::wstring& text) {
    return reinterpret_cast<LPARAM>(text.c_str());
}

int ColumnCount(HWND hList) {
    return Send(ListView_GetHeader(hList), HDM_GETITEMCOUNT);
}

}  // namespace

int ButtonCheckOf(HWND hButton) {
    return Send(hButton, BM_GETCHECK) == BST_CHECKED ? BST_CHECKED : BST_UNCHECKED;
}

void SetButtonCheckOf(HWND hButton, int nCheck) {
    Send(hButton, BM_SETCHECK, nCheck != 0 ? BST_CHECKED : BST_UNCHECKED);
}

void SelectAllTextOf(HWND hEdit) {
    Send(hEdit, EM_SETSEL, 0, -1);
}

void CStatic::SetEmphasis(COLORREF color, int pointSize) {
    SetEmphasisOf(m_hWnd, color, pointSize);
}

void CProgressCtrl::SetRange32(int nLower, int nUpper) {
    Send(m_hWnd, PBM_SETRANGE32, static_cast<WPARAM>(nLower), nUpper);
}

int CProgressCtrl::SetPos(int nPos) {
    return Send(m_hWnd, PBM_SETPOS, static_cast<WPARAM>(nPos));
}

int CListBox::AddString(const std::string& text) {
    HoldRedrawBriefly(m_hWnd);
    return Send(m_hWnd, LB_ADDSTRING, 0, TextParam(Wide(text)));
}

int CListBox::GetCount() const {
    return Send(m_hWnd, LB_GETCOUNT);
}

int CListBox::SetCurSel(int nSelect) {
    return Send(m_hWnd, LB_SETCURSEL, static_cast<WPARAM>(nSelect));
}

int CListBox::GetCurSel() const {
    return Send(m_hWnd, LB_GETCURSEL);
}

int CListBox::GetText(int nIndex, std::string& text) const {
    const int length = Send(m_hWnd, LB_GETTEXTLEN, static_cast<WPARAM>(nIndex));
    if (length == LB_ERR) {
        return LB_ERR;
    }
    std::vector<wchar_t> line(static_cast<size_t>(length) + 1);
    const int copied = Send(m_hWnd, LB_GETTEXT, static_cast<WPARAM>(nIndex),
                            reinterpret_cast<LPARAM>(line.data()));
    text = Narrow(std::wstring_view(line.data(), static_cast<size_t>(copied)));
    return static_cast<int>(text.size());
}

void CListBox::ResetContent() {
    ::SendMessageW(m_hWnd, LB_RESETCONTENT, 0, 0);
}

int CComboBox::AddString(const std::string& text) {
    return Send(m_hWnd, CB_ADDSTRING, 0, TextParam(Wide(text)));
}

void CComboBox::ResetContent() {
    Send(m_hWnd, CB_RESETCONTENT);
}

int CComboBox::GetCount() const {
    return Send(m_hWnd, CB_GETCOUNT);
}

int CComboBox::GetLBText(int nIndex, std::string& text) const {
    const int length = Send(m_hWnd, CB_GETLBTEXTLEN, static_cast<WPARAM>(nIndex));
    if (length == CB_ERR) {
        return CB_ERR;
    }
    std::vector<wchar_t> entry(static_cast<size_t>(length) + 1);
    const int copied = Send(m_hWnd, CB_GETLBTEXT, static_cast<WPARAM>(nIndex),
                            reinterpret_cast<LPARAM>(entry.data()));
    text = Narrow(std::wstring_view(entry.data(), static_cast<size_t>(copied)));
    return static_cast<int>(text.size());
}

int CComboBox::SetCurSel(int nSelect) {
    return Send(m_hWnd, CB_SETCURSEL, static_cast<WPARAM>(nSelect));
}

int CComboBox::GetCurSel() const {
    return Send(m_hWnd, CB_GETCURSEL);
}

int CListCtrl::InsertColumn(int nCol, const std::string& heading, int nFormat, int nWidth) {
    std::wstring text = Wide(heading);
    LVCOLUMNW column{};
    column.mask = LVCF_FMT | LVCF_TEXT | LVCF_SUBITEM | (nWidth >= 0 ? LVCF_WIDTH : 0);
    column.fmt = nFormat;
    column.cx = nWidth;
    column.pszText = text.data();
    column.iSubItem = nCol;
    return Send(m_hWnd, LVM_INSERTCOLUMNW, static_cast<WPARAM>(nCol),
                reinterpret_cast<LPARAM>(&column));
}

BOOL CListCtrl::SetColumnHeading(int nCol, const std::string& heading) {
    std::wstring text = Wide(heading);
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT;
    column.pszText = text.data();
    return Send(m_hWnd, LVM_SETCOLUMNW, static_cast<WPARAM>(nCol),
                reinterpret_cast<LPARAM>(&column)) != 0
               ? TRUE
               : FALSE;
}

int CListCtrl::InsertItem(int nItem, const std::string& text) {
    std::wstring label = Wide(text);
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = nItem;
    item.pszText = label.data();
    return Send(m_hWnd, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

BOOL CListCtrl::SetItemText(int nItem, int nSubItem, const std::string& text) {
    if (nItem < 0 || nItem >= GetItemCount() || nSubItem < 0 || nSubItem >= ColumnCount(m_hWnd)) {
        return FALSE;
    }
    std::wstring cell = Wide(text);
    LVITEMW item{};
    item.iSubItem = nSubItem;
    item.pszText = cell.data();
    return Send(m_hWnd, LVM_SETITEMTEXTW, static_cast<WPARAM>(nItem),
                reinterpret_cast<LPARAM>(&item));
}

std::string CListCtrl::GetItemText(int nItem, int nSubItem) const {
    wchar_t cell[256] = {};
    LVITEMW item{};
    item.iSubItem = nSubItem;
    item.pszText = cell;
    item.cchTextMax = 256;
    const int length =
        Send(m_hWnd, LVM_GETITEMTEXTW, static_cast<WPARAM>(nItem), reinterpret_cast<LPARAM>(&item));
    return Narrow(std::wstring_view(cell, static_cast<size_t>(length)));
}

int CListCtrl::GetItemCount() const {
    return Send(m_hWnd, LVM_GETITEMCOUNT);
}

BOOL CListCtrl::DeleteAllItems() {
    return Send(m_hWnd, LVM_DELETEALLITEMS);
}

DWORD CListCtrl::GetExtendedStyle() const {
    return static_cast<DWORD>(::SendMessageW(m_hWnd, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
}

DWORD CListCtrl::SetExtendedStyle(DWORD dwExStyle) {
    // A mask of 0 sets the whole extended style.
    return static_cast<DWORD>(
        ::SendMessageW(m_hWnd, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, static_cast<LPARAM>(dwExStyle)));
}

BOOL CListCtrl::ModifyStyle(DWORD dwRemove, DWORD dwAdd) {
    const auto style = static_cast<DWORD>(::GetWindowLongW(m_hWnd, GWL_STYLE));
    const DWORD changed = (style & ~dwRemove) | dwAdd;
    if (changed == style) {
        return FALSE;
    }
    ::SetWindowLongW(m_hWnd, GWL_STYLE, static_cast<LONG>(changed));
    return TRUE;
}

POSITION CListCtrl::SelectedFrom(int nRow) const {
    // The list view searches after the item it is given; -1 searches from the first row.
    const int row =
        Send(m_hWnd, LVM_GETNEXTITEM, static_cast<WPARAM>(nRow - 1), MAKELPARAM(LVNI_SELECTED, 0));
    return row >= 0 ? POSITION(row) : nullptr;
}

BOOL CListCtrl::SetItemState(int nItem, UINT nState, UINT nMask) {
    LVITEMW item{};
    item.state = nState;
    item.stateMask = nMask;
    return Send(m_hWnd, LVM_SETITEMSTATE, static_cast<WPARAM>(nItem),
                reinterpret_cast<LPARAM>(&item));
}
