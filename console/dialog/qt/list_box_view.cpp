#include "console/dialog/qt/list_box_view.h"

#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

int LineListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_lines.Count());
}

QVariant LineListModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid()) {
        return {};
    }
    const std::string_view line = Line(index.row());
    return QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size()));
}

int LineListModel::Append(std::string_view utf8Line) {
    const int row = rowCount();
    beginInsertRows(QModelIndex(), row, row);
    m_lines.Append(utf8Line);
    endInsertRows();
    return row;
}

void LineListModel::Clear() {
    beginResetModel();
    m_lines = LineStore();
    endResetModel();
}

ListBoxView::ListBoxView(QWidget* parent) : QAbstractItemView(parent), m_model(this) {
    setModel(&m_model);
    setSelectionMode(SingleSelection);
    setEditTriggers(NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The scroll bar counts rows, not pixels: its range stays small at any number of lines.
    setVerticalScrollMode(ScrollPerItem);
    m_paintHold.setSingleShot(true);
    m_paintHold.setInterval(kPaintHoldMs);
    connect(&m_paintHold, &QTimer::timeout, this, [this] {
        viewport()->setUpdatesEnabled(true);  // repaints what the held lines changed
        verticalScrollBar()->setUpdatesEnabled(true);
    });
}

void ListBoxView::HoldPaintingBriefly() {
    if (m_paintHold.isActive()) {
        return;
    }
    viewport()->setUpdatesEnabled(false);
    verticalScrollBar()->setUpdatesEnabled(false);
    m_paintHold.start();
}

int ListBoxView::RowHeight() const {
    return std::max(1, fontMetrics().height());
}

int ListBoxView::TopRow() const {
    return verticalScrollBar()->value();
}

int ListBoxView::FullyVisibleRows() const {
    return std::max(1, viewport()->height() / RowHeight());
}

QModelIndex ListBoxView::Row(int row) const {
    return m_model.index(row, 0);
}

QRect ListBoxView::visualRect(const QModelIndex& index) const {
    if (!index.isValid()) {
        return {};
    }
    return {0, (index.row() - TopRow()) * RowHeight(), viewport()->width(), RowHeight()};
}

void ListBoxView::scrollTo(const QModelIndex& index, ScrollHint hint) {
    if (!index.isValid()) {
        return;
    }
    const int row = index.row();
    const int visible = FullyVisibleRows();
    int top = TopRow();
    switch (hint) {
        case PositionAtTop:
            top = row;
            break;
        case PositionAtBottom:
            top = row - visible + 1;
            break;
        case PositionAtCenter:
            top = row - visible / 2;
            break;
        case EnsureVisible:
            if (row < top) {
                top = row;
            } else if (row >= top + visible) {
                top = row - visible + 1;
            }
            break;
    }
    verticalScrollBar()->setValue(top);
}

QModelIndex ListBoxView::indexAt(const QPoint& point) const {
    if (point.y() < 0) {
        return {};
    }
    const int row = TopRow() + point.y() / RowHeight();
    return row < RowCount() ? Row(row) : QModelIndex();
}

QModelIndex ListBoxView::moveCursor(CursorAction action, Qt::KeyboardModifiers) {
    const int last = RowCount() - 1;
    if (last < 0) {
        return {};
    }
    const int current = currentIndex().isValid() ? currentIndex().row() : 0;
    const int page = FullyVisibleRows();
    int row = current;
    switch (action) {
        case MoveUp:
        case MovePrevious:
            row = current - 1;
            break;
        case MoveDown:
        case MoveNext:
            row = current + 1;
            break;
        case MovePageUp:
            row = current - page;
            break;
        case MovePageDown:
            row = current + page;
            break;
        case MoveHome:
            row = 0;
            break;
        case MoveEnd:
            row = last;
            break;
        case MoveLeft:
        case MoveRight:
            break;
    }
    return Row(std::clamp(row, 0, last));
}

int ListBoxView::verticalOffset() const {
    return TopRow() * RowHeight();
}

void ListBoxView::setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags flags) {
    const QModelIndex first = indexAt(rect.topLeft());
    if (!first.isValid()) {
        return;
    }
    QModelIndex last = indexAt(rect.bottomLeft());
    if (!last.isValid()) {
        last = Row(RowCount() - 1);
    }
    selectionModel()->select(QItemSelection(first, last), flags);
}

QRegion ListBoxView::visualRegionForSelection(const QItemSelection& selection) const {
    const int top = TopRow();
    const int bottom = top + FullyVisibleRows();
    QRegion region;
    for (const QItemSelectionRange& range : selection) {
        const int first = std::max(range.top(), top);
        const int last = std::min(range.bottom(), bottom);
        if (first <= last) {
            region += QRect(0, (first - top) * RowHeight(), viewport()->width(),
                            (last - first + 1) * RowHeight());
        }
    }
    return region;
}

void ListBoxView::updateGeometries() {
    const int visible = FullyVisibleRows();
    verticalScrollBar()->setRange(0, std::max(0, RowCount() - visible));
    verticalScrollBar()->setPageStep(visible);
    verticalScrollBar()->setSingleStep(1);
    QAbstractItemView::updateGeometries();
}

void ListBoxView::scrollContentsBy(int, int) {
    viewport()->update();
}

void ListBoxView::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const int height = RowHeight();
    const int first = TopRow() + event->rect().top() / height;
    const int last = std::min(RowCount() - 1, TopRow() + event->rect().bottom() / height);
    for (int row = first; row <= last; ++row) {
        const QModelIndex index = Row(row);
        option.rect = visualRect(index);
        option.state = QStyle::State_Enabled;
        if (selectionModel()->isSelected(index)) {
            option.state |= QStyle::State_Selected;
        }
        if (hasFocus() && index == currentIndex()) {
            option.state |= QStyle::State_HasFocus;
        }
        if (!isEnabled()) {
            option.state &= ~QStyle::State_Enabled;
        }
        if (isActiveWindow()) {
            option.state |= QStyle::State_Active;
        }
        itemDelegateForIndex(index)->paint(&painter, option, index);
    }
}

void ListBoxView::rowsInserted(const QModelIndex& parent, int start, int end) {
    QAbstractItemView::rowsInserted(parent, start, end);
    HoldPaintingBriefly();
    updateGeometries();
    if (start <= TopRow() + FullyVisibleRows()) {
        viewport()->update();
    }
}
