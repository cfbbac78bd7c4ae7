#include "console/dialog/controls.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <algorithm>

#include "console/dialog/qt/list_box_view.h"
#include "console/dialog/qt/report_view.h"

namespace {

template <class Widget>
Widget& As(QWidget* widget) {
    return *static_cast<Widget*>(widget);
}

QString FromUtf8(const std::string& text) {
    return QString::fromStdString(text);
}

Qt::Alignment ColumnAlignment(int nFormat) {
    switch (nFormat & LVCFMT_JUSTIFYMASK) {
        case LVCFMT_RIGHT:
            return Qt::AlignRight | Qt::AlignVCenter;
        case LVCFMT_CENTER:
            return Qt::AlignHCenter | Qt::AlignVCenter;
        default:
            return Qt::AlignLeft | Qt::AlignVCenter;
    }
}

}  // namespace

int ButtonCheckOf(HWND hButton) {
    return As<QAbstractButton>(hButton).isChecked() ? BST_CHECKED : BST_UNCHECKED;
}

void SetButtonCheckOf(HWND hButton, int nCheck) {
    As<QAbstractButton>(hButton).setChecked(nCheck != 0);
}

void SelectAllTextOf(HWND hEdit) {
    if (auto* edit = qobject_cast<QLineEdit*>(hEdit)) {
        edit->selectAll();
    }
}

void CStatic::SetEmphasis(COLORREF color, int pointSize) {
    QLabel& label = As<QLabel>(m_hWnd);
    QFont font = label.font();
    font.setPointSize(pointSize);
    font.setBold(true);
    label.setFont(font);
    QPalette palette = label.palette();
    palette.setColor(QPalette::WindowText,
                     QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF));
    label.setPalette(palette);
}

void CProgressCtrl::SetRange32(int nLower, int nUpper) {
    As<QProgressBar>(m_hWnd).setRange(nLower, nUpper);
}

int CProgressCtrl::SetPos(int nPos) {
    QProgressBar& bar = As<QProgressBar>(m_hWnd);
    // A bar not yet moved reads as its low end, as the common control's does.
    const int previous = bar.value() < bar.minimum() ? bar.minimum() : bar.value();
    bar.setValue(std::clamp(nPos, bar.minimum(), bar.maximum()));
    return previous;
}

int CListBox::AddString(const std::string& text) {
    return As<ListBoxView>(m_hWnd).Lines().Append(text);
}

int CListBox::GetCount() const {
    return As<ListBoxView>(m_hWnd).Lines().rowCount();
}

int CListBox::SetCurSel(int nSelect) {
    ListBoxView& view = As<ListBoxView>(m_hWnd);
    if (nSelect == -1) {
        view.selectionModel()->clearSelection();
        return LB_ERR;  // the list box's own answer for a cleared selection
    }
    if (nSelect < 0 || nSelect >= GetCount()) {
        return LB_ERR;
    }
    const QModelIndex index = view.Lines().index(nSelect, 0);
    view.selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    view.scrollTo(index);
    return nSelect;
}

int CListBox::GetCurSel() const {
    const QModelIndexList selected = As<ListBoxView>(m_hWnd).selectionModel()->selectedIndexes();
    return selected.isEmpty() ? LB_ERR : selected.first().row();
}

int CListBox::GetText(int nIndex, std::string& text) const {
    if (nIndex < 0 || nIndex >= GetCount()) {
        return LB_ERR;
    }
    text = std::string(As<ListBoxView>(m_hWnd).Lines().Line(nIndex));
    return static_cast<int>(text.size());
}

void CListBox::ResetContent() {
    As<ListBoxView>(m_hWnd).Lines().Clear();
}

int CComboBox::AddString(const std::string& text) {
    QComboBox& combo = As<QComboBox>(m_hWnd);
    combo.addItem(FromUtf8(text));
    return combo.count() - 1;
}

void CComboBox::ResetContent() {
    As<QComboBox>(m_hWnd).clear();
}

int CComboBox::GetCount() const {
    return As<QComboBox>(m_hWnd).count();
}

int CComboBox::GetLBText(int nIndex, std::string& text) const {
    const QComboBox& combo = As<QComboBox>(m_hWnd);
    if (nIndex < 0 || nIndex >= combo.count()) {
        return CB_ERR;
    }
    text = combo.itemText(nIndex).toStdString();
    return static_cast<int>(text.size());
}

int CComboBox::SetCurSel(int nSelect) {
    QComboBox& combo = As<QComboBox>(m_hWnd);
    if (nSelect < -1 || nSelect >= combo.count()) {
        return CB_ERR;
    }
    combo.setCurrentIndex(nSelect);
    return nSelect == -1 ? CB_ERR : nSelect;
}

int CComboBox::GetCurSel() const {
    return As<QComboBox>(m_hWnd).currentIndex();
}

int CListCtrl::InsertColumn(int nCol, const std::string& heading, int nFormat, int nWidth) {
    ReportView& view = As<ReportView>(m_hWnd);
    QStandardItemModel& items = view.Items();
    const int column = std::clamp(nCol, 0, items.columnCount());
    items.insertColumn(column);
    items.setHeaderData(column, Qt::Horizontal, FromUtf8(heading));
    items.setHeaderData(column, Qt::Horizontal, static_cast<int>(ColumnAlignment(nFormat)),
                        Qt::TextAlignmentRole);
    if (nWidth >= 0) {
        view.header()->resizeSection(column, nWidth);
    }
    return column;
}

BOOL CListCtrl::SetColumnHeading(int nCol, const std::string& heading) {
    return As<ReportView>(m_hWnd).Items().setHeaderData(nCol, Qt::Horizontal, FromUtf8(heading))
               ? TRUE
               : FALSE;
}

int CListCtrl::InsertItem(int nItem, const std::string& text) {
    QStandardItemModel& items = As<ReportView>(m_hWnd).Items();
    const int row = std::clamp(nItem, 0, items.rowCount());
    QList<QStandardItem*> cells;
    for (int column = 0; column < items.columnCount(); ++column) {
        auto* cell = new QStandardItem(column == 0 ? FromUtf8(text) : QString());
        cell->setTextAlignment(
            Qt::Alignment(items.headerData(column, Qt::Horizontal, Qt::TextAlignmentRole).toInt()));
        cells.append(cell);
    }
    items.insertRow(row, cells);
    return row;
}

BOOL CListCtrl::SetItemText(int nItem, int nSubItem, const std::string& text) {
    QStandardItem* cell = As<ReportView>(m_hWnd).Items().item(nItem, nSubItem);
    if (cell == nullptr) {
        return FALSE;
    }
    cell->setText(FromUtf8(text));
    return TRUE;
}

std::string CListCtrl::GetItemText(int nItem, int nSubItem) const {
    const QStandardItem* cell = As<ReportView>(m_hWnd).Items().item(nItem, nSubItem);
    return cell != nullptr ? cell->text().toStdString() : std::string();
}

int CListCtrl::GetItemCount() const {
    return As<ReportView>(m_hWnd).Items().rowCount();
}

BOOL CListCtrl::DeleteAllItems() {
    QStandardItemModel& items = As<ReportView>(m_hWnd).Items();
    items.removeRows(0, items.rowCount());
    return TRUE;
}

DWORD CListCtrl::GetExtendedStyle() const {
    return As<ReportView>(m_hWnd).ExtendedStyle();
}

DWORD CListCtrl::SetExtendedStyle(DWORD dwExStyle) {
    ReportView& view = As<ReportView>(m_hWnd);
    const DWORD previous = view.ExtendedStyle();
    view.SetExtendedStyle(dwExStyle);
    return previous;
}

BOOL CListCtrl::ModifyStyle(DWORD dwRemove, DWORD dwAdd) {
    ReportView& view = As<ReportView>(m_hWnd);
    const DWORD style = (view.Style() & ~dwRemove) | dwAdd;
    if (style == view.Style()) {
        return FALSE;
    }
    view.SetStyle(style);
    return TRUE;
}

POSITION CListCtrl::SelectedFrom(int nRow) const {
    const ReportView& view = As<ReportView>(m_hWnd);
    for (int row = nRow; row < GetItemCount(); ++row) {
        if (view.IsRowSelected(row)) {
            return POSITION(row);
        }
    }
    return nullptr;
}

BOOL CListCtrl::SetItemState(int nItem, UINT nState, UINT nMask) {
    ReportView& view = As<ReportView>(m_hWnd);
    const QModelIndex index = view.Items().index(nItem, 0);
    if (!index.isValid()) {
        return FALSE;
    }
    QItemSelectionModel& selection = *view.selectionModel();
    if (nMask & LVIS_SELECTED) {
        selection.select(index, ((nState & LVIS_SELECTED) ? QItemSelectionModel::Select
                                                          : QItemSelectionModel::Deselect) |
                                    QItemSelectionModel::Rows);
    }
    if ((nMask & LVIS_FOCUSED) && (nState & LVIS_FOCUSED)) {
        selection.setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    }
    return TRUE;
}
