// The Qt window's driver: a private port registry, the window shown and active, controls
// clicked with QTest's mouse and read from their widgets.
#include <QAbstractButton>
#include <QLineEdit>
#include <QMenu>

#include "console/console_test_support.h"
#include "console/dialog/menu.h"
#include "console/main_window_driver.h"

struct MainWindowDriver::Window {
    ScopedPortRegistry ports;
    CVelkaroDlg dlg;
    bool shown = false;
};

MainWindowDriver::MainWindowDriver() : m_window(std::make_unique<Window>()) {
    if (m_window->dlg.Create()) {
        QWidget* window = m_window->dlg.GetSafeHwnd();
        window->activateWindow();
        m_window->shown = QTest::qWaitForWindowActive(window);
    }
}

MainWindowDriver::~MainWindowDriver() = default;

bool MainWindowDriver::Shown() const {
    return m_window->shown;
}

CVelkaroDlg& MainWindowDriver::Dlg() {
    return m_window->dlg;
}

void MainWindowDriver::Click(int id) {
    QTest::mouseClick(ControlWidget<QAbstractButton>(m_window->dlg, id), Qt::LeftButton);
}

void MainWindowDriver::SetField(int id, const std::string& text) {
    ControlWidget<QLineEdit>(m_window->dlg, id)->setText(QString::fromStdString(text));
}

std::string MainWindowDriver::Field(int id) const {
    return ControlWidget<QLineEdit>(m_window->dlg, id)->text().toStdString();
}

bool MainWindowDriver::Enabled(int id) const {
    return ControlWidget<QWidget>(m_window->dlg, id)->isEnabled();
}

bool MainWindowDriver::Checked(int id) const {
    return ControlWidget<QAbstractButton>(m_window->dlg, id)->isChecked();
}

void MainWindowDriver::SelectRow(int row) {
    m_window->dlg.m_lcNodes.SetItemState(row, LVIS_SELECTED, LVIS_SELECTED);
}

std::vector<MenuEntry> MainWindowDriver::SystemMenu() const {
    CMenu* menu = m_window->dlg.GetSystemMenu(FALSE);
    const QList<QAction*> actions = menu->GetSafeHmenu()->actions();
    std::vector<MenuEntry> entries;
    for (int i = 0; i < menu->GetMenuItemCount(); ++i) {
        entries.push_back(
            {menu->GetMenuItemID(i), menu->GetMenuString(i), actions[i]->isSeparator()});
    }
    return entries;
}
