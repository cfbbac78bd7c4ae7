#include "console/dialog/menu.h"

#include <QMenu>

#include "console/dialog/wnd.h"

namespace {
constexpr char kCommandIdProperty[] = "velkaroCommandId";

const QAction* ActionAt(const QMenu& menu, int nPos) {
    return menu.actions().value(nPos);
}
}  // namespace

CMenu::CMenu(CWnd* pCommandTarget)
    : m_pCommandTarget(pCommandTarget), m_pMenu(std::make_unique<QMenu>()) {}

CMenu::~CMenu() = default;

BOOL CMenu::AppendMenu(UINT nFlags, UINT nIDNewItem, const std::string& text) {
    if (nFlags & MF_SEPARATOR) {
        m_pMenu->addSeparator();
        return TRUE;
    }
    QAction* action = m_pMenu->addAction(QString::fromStdString(text));
    action->setProperty(kCommandIdProperty, nIDNewItem);
    // Queued, so that the command runs once the menu has closed.
    QObject::connect(
        action, &QAction::triggered, m_pMenu.get(),
        [this, nIDNewItem] { m_pCommandTarget->SendMessage(WM_SYSCOMMAND, nIDNewItem); },
        Qt::QueuedConnection);
    return TRUE;
}

int CMenu::GetMenuItemCount() const {
    return static_cast<int>(m_pMenu->actions().size());
}

UINT CMenu::GetMenuItemID(int nPos) const {
    const QAction* action = ActionAt(*m_pMenu, nPos);
    return action != nullptr ? action->property(kCommandIdProperty).toUInt() : 0;
}

std::string CMenu::GetMenuString(int nPos) const {
    const QAction* action = ActionAt(*m_pMenu, nPos);
    return action != nullptr ? action->text().toStdString() : std::string();
}

void CMenu::Popup(const QPoint& globalPos) {
    m_pMenu->popup(globalPos);
}
