#include "console/dialog/controls.h"

int CButton::GetCheck() const {
    return ButtonCheckOf(m_hWnd);
}

POSITION CListCtrl::GetFirstSelectedItemPosition() const {
    return SelectedFrom(0);
}

int CListCtrl::GetNextSelectedItem(POSITION& pos) const {
    const int row = pos.m_nNext;
    pos = SelectedFrom(row + 1);
    return row;
}
