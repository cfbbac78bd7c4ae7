// Wrappers of the common controls: the operations that the windows of this program use.
#pragma once

#include <cstddef>
#include <string>

#include "console/dialog/wnd.h"

class CButton : public CWnd {
  public:
    // BST_CHECKED or BST_UNCHECKED.
    int GetCheck() const;
};

// A label whose text the program sets.
class CStatic : public CWnd {
  public:
    // Shows the text in the colour at pointSize points, bold: a label that must stand out.
    void SetEmphasis(COLORREF color, int pointSize);
};

// A bar that fills from its range's low end to its high end.
class CProgressCtrl : public CWnd {
  public:
    void SetRange32(int nLower, int nUpper);
    // The previous position.
    int SetPos(int nPos);
};

class CListBox : public CWnd {
  public:
    // Index of the new line, at the end of the list.
    int AddString(const std::string& text);
    int GetCount() const;
    // Selects line nSelect and scrolls it into view; -1 clears the selection. LB_ERR for an
    // index without a line.
    int SetCurSel(int nSelect);
    int GetCurSel() const;
    int GetText(int nIndex, std::string& text) const;
    // Removes every line.
    void ResetContent();
};

class CComboBox : public CWnd {
  public:
    int AddString(const std::string& text);
    // Removes every entry; nothing is selected then.
    void ResetContent();
    int GetCount() const;
    // The text of entry nIndex; CB_ERR for an index without an entry.
    int GetLBText(int nIndex, std::string& text) const;
    int SetCurSel(int nSelect);
    int GetCurSel() const;
};

// Position in an enumeration of the selected rows; empty once past the last.
class POSITION {
  public:
    POSITION() = default;
    POSITION(std::nullptr_t) {}
    explicit operator bool() const { return m_nNext >= 0; }
    friend bool operator==(const POSITION& a, const POSITION& b) = default;

  private:
    friend class CListCtrl;
    explicit POSITION(int nNext) : m_nNext(nNext) {}
    int m_nNext = -1;
};

class CListCtrl : public CWnd {
  public:
    int InsertColumn(int nCol, const std::string& heading, int nFormat = LVCFMT_LEFT,
                     int nWidth = -1);
    BOOL SetColumnHeading(int nCol, const std::string& heading);
    // Index of the new row; an index past the end appends.
    int InsertItem(int nItem, const std::string& text);
    // FALSE, changing nothing, for a row or column that does not exist.
    BOOL SetItemText(int nItem, int nSubItem, const std::string& text);
    std::string GetItemText(int nItem, int nSubItem) const;
    int GetItemCount() const;
    BOOL DeleteAllItems();

    DWORD GetExtendedStyle() const;
    // Sets the whole extended style; returns the previous one.
    DWORD SetExtendedStyle(DWORD dwExStyle);
    BOOL ModifyStyle(DWORD dwRemove, DWORD dwAdd);

    // Selected rows in row order: GetFirstSelectedItemPosition, then GetNextSelectedItem
    // while the position is not empty.
    POSITION GetFirstSelectedItemPosition() const;
    int GetNextSelectedItem(POSITION& pos) const;
    // LVIS_SELECTED and LVIS_FOCUSED of nMask are set from nState.
    BOOL SetItemState(int nItem, UINT nState, UINT nMask);

  private:
    POSITION SelectedFrom(int nRow) const;
};

// The same operations on any button or edit field, bound to a member or not: for the data
// exchange, which finds controls by id.
int ButtonCheckOf(HWND hButton);
void SetButtonCheckOf(HWND hButton, int nCheck);
void SelectAllTextOf(HWND hEdit);
