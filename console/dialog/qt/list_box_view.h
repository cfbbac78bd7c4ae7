// The list box: a single-selection list of text lines with rows of one height. The view works
// out every position from the row height, so adding a line costs the same at any length.
#pragma once

#include <QAbstractItemView>
#include <QAbstractListModel>
#include <QTimer>
#include <string_view>

#include "console/dialog/qt/line_store.h"

class LineListModel : public QAbstractListModel {
  public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    // Index of the new line.
    int Append(std::string_view utf8Line);
    void Clear();
    std::string_view Line(int row) const { return m_lines.Line(static_cast<size_t>(row)); }

  private:
    LineStore m_lines;
};

class ListBoxView : public QAbstractItemView {
  public:
    explicit ListBoxView(QWidget* parent);

    LineListModel& Lines() { return m_model; }
    int RowHeight() const;
    int TopRow() const;

    QRect visualRect(const QModelIndex& index) const override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    QModelIndex indexAt(const QPoint& point) const override;

  protected:
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    int horizontalOffset() const override { return 0; }
    int verticalOffset() const override;
    bool isIndexHidden(const QModelIndex&) const override { return false; }
    void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags flags) override;
    QRegion visualRegionForSelection(const QItemSelection& selection) const override;
    void updateGeometries() override;
    void scrollContentsBy(int dx, int dy) override;
    void paintEvent(QPaintEvent* event) override;
    void rowsInserted(const QModelIndex& parent, int start, int end) override;

  private:
    int RowCount() const { return m_model.rowCount(); }
    int FullyVisibleRows() const;
    QModelIndex Row(int row) const;
    void HoldPaintingBriefly();

    LineListModel m_model;
    // Lines may come one by one faster than the screen changes: painting waits this long
    // after a new line, so a burst of lines costs one repaint per frame, not one per line.
    static constexpr int kPaintHoldMs = 15;
    QTimer m_paintHold;
};
