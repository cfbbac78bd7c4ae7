#include "console/dialog/qt/report_view.h"

#include <QEvent>
#include <QHeaderView>
#include <QHelpEvent>
#include <QToolTip>

ReportView::ReportView(QWidget* parent) : QTreeView(parent), m_items(this) {
    setModel(&m_items);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setEditTriggers(NoEditTriggers);
    setSelectionMode(ExtendedSelection);
    header()->setStretchLastSection(false);
    header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_hoverTimer.setSingleShot(true);
    m_hoverTimer.setInterval(kHoverSelectMs);
    connect(&m_hoverTimer, &QTimer::timeout, this, [this] { SelectHoveredRow(); });
    connect(this, &QAbstractItemView::entered, this, [this](const QModelIndex& index) {
        if (m_dwExStyle & LVS_EX_TRACKSELECT) {
            m_hoverIndex = index;
            m_hoverTimer.start();
        }
    });
    SetStyle(0);
    SetExtendedStyle(0);
}

void ReportView::SetStyle(DWORD dwStyle) {
    m_dwStyle = dwStyle;
    ShowSelectionWithoutFocus(dwStyle & LVS_SHOWSELALWAYS);
}

void ReportView::SetExtendedStyle(DWORD dwExStyle) {
    m_dwExStyle = dwExStyle;
    const bool fullRow = dwExStyle & LVS_EX_FULLROWSELECT;
    setSelectionBehavior(fullRow ? SelectRows : SelectItems);
    setAllColumnsShowFocus(fullRow);
    // A tree view keeps its first column in place unless told otherwise; a list view's
    // columns all move alike.
    const bool movable = dwExStyle & LVS_EX_HEADERDRAGDROP;
    header()->setSectionsMovable(movable);
    header()->setFirstSectionMovable(movable);
    const bool track = dwExStyle & LVS_EX_TRACKSELECT;
    setMouseTracking(track);
    if (!track) {
        m_hoverTimer.stop();
    }
}

bool ReportView::IsRowSelected(int row) const {
    return selectionModel()->isSelected(m_items.index(row, 0));
}

void ReportView::ShowSelectionWithoutFocus(bool show) {
    QPalette pal = palette();
    const QPalette::ColorGroup shown = QPalette::Active;
    pal.setColor(QPalette::Inactive, QPalette::Highlight,
                 show ? pal.color(shown, QPalette::Highlight) : pal.color(shown, QPalette::Base));
    pal.setColor(
        QPalette::Inactive, QPalette::HighlightedText,
        show ? pal.color(shown, QPalette::HighlightedText) : pal.color(shown, QPalette::Text));
    setPalette(pal);
}

QString ReportView::CutOffTextAt(const QPoint& pos) const {
    const QModelIndex index = indexAt(pos);
    if (!index.isValid() || sizeHintForIndex(index).width() <= visualRect(index).width()) {
        return {};
    }
    return index.data().toString();
}

bool ReportView::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::Leave) {
        m_hoverTimer.stop();  // the pointer no longer rests on a row
    }
    if (event->type() == QEvent::ToolTip) {
        ShowCutOffText(*static_cast<QHelpEvent*>(event));
        return true;
    }
    return QTreeView::viewportEvent(event);
}

// A cell too narrow for its text shows it cut off; the tooltip shows the whole of it.
void ReportView::ShowCutOffText(const QHelpEvent& help) {
    const QString text = CutOffTextAt(help.pos());
    if (text.isEmpty()) {
        QToolTip::hideText();
        return;
    }
    QToolTip::showText(help.globalPos(), text, viewport(), visualRect(indexAt(help.pos())));
}

// The pointer has stayed on one row since `entered` reported it: another row would have
// restarted the timer and leaving the rows would have stopped it.
void ReportView::SelectHoveredRow() {
    if (!m_hoverIndex.isValid()) {
        return;
    }
    const QModelIndex rowStart = m_items.index(m_hoverIndex.row(), 0);
    selectionModel()->setCurrentIndex(
        rowStart, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}
