// The list view in report mode: rows of cells under a header. Carries the list-view styles
// that Qt has no switch for (selection shown without focus, selection following the pointer).
#pragma once

#include <QHelpEvent>
#include <QPersistentModelIndex>
#include <QStandardItemModel>
#include <QTimer>
#include <QTreeView>

#include "console/dialog/types.h"

class ReportView : public QTreeView {
  public:
    explicit ReportView(QWidget* parent);

    QStandardItemModel& Items() { return m_items; }

    DWORD Style() const { return m_dwStyle; }
    void SetStyle(DWORD dwStyle);
    DWORD ExtendedStyle() const { return m_dwExStyle; }
    void SetExtendedStyle(DWORD dwExStyle);

    bool IsRowSelected(int row) const;
    // The text of the cell at a viewport position when the cell is too narrow to show it
    // whole, else empty.
    QString CutOffTextAt(const QPoint& pos) const;
    // How long the pointer must rest on a row before the row becomes selected.
    static constexpr int kHoverSelectMs = 400;

  protected:
    bool viewportEvent(QEvent* event) override;

  private:
    void ShowSelectionWithoutFocus(bool show);
    void SelectHoveredRow();
    void ShowCutOffText(const QHelpEvent& help);

    QStandardItemModel m_items;
    DWORD m_dwStyle = 0;
    DWORD m_dwExStyle = 0;
    QTimer m_hoverTimer;
    QPersistentModelIndex m_hoverIndex;
};
