#include "console/dialog/menu.h"

#include <QMenu>

#include "console/dialog/wnd.h"

namespace {
constexpr char kCommandIdProperty[] = "velkaroCommandId";

const QAction* ActionAt(const QMenu& menu, int nPos) {
    return menu.actions().value(nPos);
}
}  // namespace

// The menu is a widget of its own that this object owns.
CMenu::CMenu(CWnd* pWindow, MenuKind kind) : m_pWindow(pWindow), m_kind(kind), m_hMenu(new QMenu) {}

CMenu::~CMenu() {
    delete m_hMenu;
}

BOOL CMenu::AppendMenu(UINT nFlags, UINT nIDNewItem, const std::string& text) {
    if (nFlags & MF_SEPARATOR) {
        m_hMenu->addSeparator();
        return TRUE;
    }
    QAction* action = m_hMenu->addAction(QString::fromStdString(text));
    action->setProperty(kCommandIdProperty, nIDNewItem);
    if (m_kind == MenuKind::Popup) {
        return TRUE;  // TrackPopupMenu runs the chosen one
    }
    // Queued, so that the command runs once the menu has closed.
    QObject::connect(
        action, &QAction::triggered, m_hMenu,
        [this, nIDNewItem] { m_pWindow->SendMessage(WM_SYSCOMMAND, nIDNewItem); },
        Qt::QueuedConnection);
    return TRUE;
}

BOOL CMenu::ModifyMenu(UINT nID, UINT, UINT nIDNewItem, const std::string& text) {
    for (QAction* action : m_hMenu->actions()) {
        if (action->property(kCommandIdProperty).toUInt() == nID && !action->isSeparator()) {
            action->setText(QString::fromStdString(text));
            action->setProperty(kCommandIdProperty, nIDNewItem);
            return TRUE;
        }
    }
    return FALSE;
}

int CMenu::GetMenuItemCount() const {
    return static_cast<int>(m_hMenu->actions().size());
}

UINT CMenu::GetMenuItemID(int nPos) const {
    const QAction* action = ActionAt(*m_hMenu, nPos);
    return action != nullptr ? action->property(kCommandIdProperty).toUInt() : 0;
}

std::string CMenu::GetMenuString(int nPos) const {
    const QAction* action = ActionAt(*m_hMenu, nPos);
    return action != nullptr ? action->text().toStdString() : std::string();
}

void CMenu::TrackPopupMenu(CPoint screenPoint) {
    const QAction* chosen = m_hMenu->exec(QPoint(screenPoint.x, screenPoint.y));
    if (chosen != nullptr) {
        m_pWindow->SendMessage(WM_COMMAND, chosen->property(kCommandIdProperty).toUInt());
    }
}
