// The Qt window's driver: a private port registry with the simulated bus in it, the window
// shown and active, controls clicked with QTest's mouse and keys and read from their widgets.
#include <QAbstractButton>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <ctime>

#include "console/console_test_support.h"
#include "console/dialog/menu.h"
#include "console/dialog/qt/dialog_builder.h"
#include "console/dialog/win_app.h"
#include "console/main_window_driver.h"
#include "console/testing/acceptance_cabinet.h"
#include "console/testing/event_loop.h"
#include "nodesim/node_sim.h"

namespace {

std::unique_ptr<NodeSim> StartBus(SimulatedBus bus) {
    if (bus == SimulatedBus::None) {
        return nullptr;
    }
    if (bus == SimulatedBus::AcceptanceCabinet ||
        bus == SimulatedBus::AcceptanceCabinetForCutRuns ||
        bus == SimulatedBus::AcceptanceCabinetHangingUp) {
        NodeSimConfig cabinet = AcceptanceCabinet();
        if (bus == SimulatedBus::AcceptanceCabinetHangingUp) {
            cabinet.hangupAfterFrames = 4;
        }
        return NodeSim::Start(cabinet);
    }
    NodeSimConfig config;
    config.nodes.clear();
    for (uint8_t node = 0x00; node <= 0x0F; ++node) {
        config.nodes.insert(node);
    }
    if (bus == SimulatedBus::Session) {
        config.openLocks = {0x03};
    } else {
        config.hangupAfterFrames = 1;
    }
    return NodeSim::Start(config);
}

PixelRect FromQRect(const QRect& rect) {
    return {rect.left(), rect.top(), rect.width(), rect.height()};
}

std::chrono::milliseconds ProcessorTime() {
    return std::chrono::milliseconds(static_cast<long long>(std::clock()) * 1000 / CLOCKS_PER_SEC);
}

}  // namespace

// The processor time that std::clock counts is exact enough to tell a sleeping loop from a
// spinning one.
const std::chrono::milliseconds MainWindowDriver::kIdleProcessorLimit{50};

struct MainWindowDriver::Window {
    ScopedPortRegistry ports;
    std::unique_ptr<NodeSim> bus;
    CVelkaroDlg dlg;
    bool shown = false;

    explicit Window(SimulatedBus kind) : bus(StartBus(kind)) {}
    QWidget* Widget() const { return dlg.GetSafeHwnd(); }
    template <class Control>
    Control* Item(int id) const {
        return ControlWidget<Control>(dlg, id);
    }
};

MainWindowDriver::MainWindowDriver(SimulatedBus bus) : m_window(std::make_unique<Window>(bus)) {
    if ((bus == SimulatedBus::None || m_window->bus) && m_window->dlg.Create()) {
        AfxGetApp()->m_pMainWnd = &m_window->dlg;
        m_window->Widget()->activateWindow();
        m_window->shown = QTest::qWaitForWindowActive(m_window->Widget());
    }
}

MainWindowDriver::~MainWindowDriver() {
    AfxGetApp()->m_pMainWnd = nullptr;
}

bool MainWindowDriver::Shown() const {
    return m_window->shown;
}

CVelkaroDlg& MainWindowDriver::Dlg() {
    return m_window->dlg;
}

std::string MainWindowDriver::BusPort() const {
    return m_window->bus ? m_window->bus->PortName() : "";
}

void MainWindowDriver::Click(int id) {
    QTest::mouseClick(m_window->Item<QAbstractButton>(id), Qt::LeftButton);
}

void MainWindowDriver::SetField(int id, const std::string& text) {
    m_window->Item<QLineEdit>(id)->setText(QString::fromStdString(text));
}

std::string MainWindowDriver::Text(int id) const {
    if (auto* edit = m_window->Item<QLineEdit>(id)) {
        return edit->text().toStdString();
    }
    return m_window->Item<QAbstractButton>(id)->text().toStdString();
}

bool MainWindowDriver::Enabled(int id) const {
    return m_window->Item<QWidget>(id)->isEnabled();
}

bool MainWindowDriver::Checked(int id) const {
    return m_window->Item<QAbstractButton>(id)->isChecked();
}

bool MainWindowDriver::Focused(int id) const {
    return m_window->Widget()->focusWidget() == m_window->Item<QWidget>(id);
}

std::string MainWindowDriver::SelectedText(int id) const {
    return m_window->Item<QLineEdit>(id)->selectedText().toStdString();
}

void MainWindowDriver::SelectRow(int row) {
    m_window->dlg.m_lcNodes.SetItemState(row, LVIS_SELECTED, LVIS_SELECTED);
}

void MainWindowDriver::SelectPort(const std::string& port) {
    CComboBox& ports = m_window->dlg.m_cbPort;
    for (int i = 0; i < ports.GetCount(); ++i) {
        std::string name;
        ports.GetLBText(i, name);
        if (name == port) {
            ports.SetCurSel(i);
            return;
        }
    }
    ADD_FAILURE() << port << " is not in the port list";
}

std::string MainWindowDriver::Title() const {
    return m_window->Widget()->windowTitle().toStdString();
}

std::vector<std::string> MainWindowDriver::Log() const {
    return ListBoxLines(m_window->dlg.m_lbLog);
}

int MainWindowDriver::Rows() const {
    return m_window->dlg.m_lcNodes.GetItemCount();
}

std::string MainWindowDriver::Cell(int row, int column) const {
    return m_window->dlg.m_lcNodes.GetItemText(row, column);
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

void MainWindowDriver::Command(int id) {
    m_window->dlg.SendMessage(WM_COMMAND, static_cast<WPARAM>(id));
}

void MainWindowDriver::SelectLogLine(int index) {
    m_window->dlg.m_lbLog.SetCurSel(index);
}

PixelRect MainWindowDriver::Client() const {
    return {0, 0, m_window->Widget()->width(), m_window->Widget()->height()};
}

PixelRect MainWindowDriver::Placed(int id) const {
    return FromQRect(m_window->Item<QWidget>(id)->geometry());
}

PixelRect MainWindowDriver::InPixels(const res::DialogRect& rect) const {
    return FromQRect(DialogRectToPixels(rect, BaseUnitsOf(m_window->Widget()->font())));
}

void MainWindowDriver::SystemCommand(UINT command) {
    m_window->dlg.SendMessage(WM_SYSCOMMAND, command);
}

void MainWindowDriver::PressHelp() {
    QTest::keyClick(m_window->Item<QLineEdit>(IDC_EDIT_INTERVAL), Qt::Key_F1);
}

AboutBoxSeen MainWindowDriver::AboutBoxAfter(const std::function<void()>& open) {
    AboutBoxSeen seen;
    QWidget* window = m_window->Widget();
    WhenModalOpens([&seen, window](QWidget* about) {
        seen.found = true;
        seen.caption = about->windowTitle().toStdString();
        seen.blocksTheWindow = about->isModal() && about->parentWidget() == window;
        for (QLabel* label : about->findChildren<QLabel*>()) {
            if (!label->pixmap().isNull()) {
                seen.icon = true;
            } else {
                seen.text = label->text().toStdString();
            }
        }
        auto* ok = about->findChild<QPushButton*>();
        seen.button = ok->text().toStdString();
        ok->click();
    });
    open();
    // A menu item's command runs once the menu has closed, after `open` returned.
    seen.found = QTest::qWaitFor([&seen] { return seen.found; }, 2000);
    return seen;
}

std::uintptr_t MainWindowDriver::DragIcon() const {
    return static_cast<std::uintptr_t>(m_window->dlg.SendMessage(WM_QUERYDRAGICON));
}

std::vector<std::uintptr_t> MainWindowDriver::WindowIcons() const {
    return {reinterpret_cast<std::uintptr_t>(AfxGetApp()->LoadIcon(IDR_MAINFRAME))};
}

bool MainWindowDriver::ServeUntil(const std::function<bool()>& done,
                                  std::chrono::milliseconds timeout) {
    return ServeEventLoopUntil(timeout, done);
}

std::chrono::milliseconds MainWindowDriver::IdleProcessorTime(std::chrono::milliseconds span) {
    // The window's own event loop, which sleeps until something happens (qWait would wake it
    // every 10 ms).
    QEventLoop idle;
    QTimer::singleShot(span, &idle, &QEventLoop::quit);
    const auto before = ProcessorTime();
    idle.exec();
    return ProcessorTime() - before;
}

ModalEnterResult MainWindowDriver::RunModalPressingEnter(const std::string& maxOnTime) {
    constexpr INT_PTR kHung = 99;
    ScopedPortRegistry ports;
    CVelkaroDlg dlg;
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [&dlg] { dlg.EndDialog(kHung); });
    guard.start(10000);
    WhenModalOpens([&](QWidget*) {
        QLineEdit* edit = ControlWidget<QLineEdit>(dlg, IDC_EDIT_MAX_ON_TIME);
        edit->setText(QString::fromStdString(maxOnTime));
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_Return);
        if (dlg.GetSafeHwnd() != nullptr && dlg.GetSafeHwnd()->isVisible()) {
            QTest::keyClick(edit, Qt::Key_Escape);  // still open: cancel
        }
    });
    const INT_PTR result = dlg.DoModal();
    return {result, dlg.m_nMaxOnTime.load()};
}

void MainWindowDriver::Close() {
    AfxGetApp()->m_pMainWnd = nullptr;
    m_window.reset();
}
