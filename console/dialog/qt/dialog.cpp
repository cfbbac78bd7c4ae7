#include "console/dialog/dialog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QKeyEvent>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <QSocketNotifier>

#include "console/dialog/qt/dialog_backend_state.h"
#include "console/dialog/qt/widget_binding.h"
#include "console/dialog/window_system.h"
#include "res/resource.h"
#include "res/texts.h"

namespace {

WPARAM CommandParam(UINT nID, UINT nCode) {
    return (WPARAM{nCode} << 16) | (nID & 0xFFFF);
}

Qt::WindowFlags WindowFlagsFor(const res::DialogTemplate& tpl) {
    // A window with a taskbar button of its own is a normal top-level window here; the
    // others are dialogs that the window manager keeps over their owner.
    Qt::WindowFlags flags = (tpl.exStyle & res::dlg::AppWindow) ? Qt::Window : Qt::Dialog;
    // Only the buttons the template asks for: no minimise or maximise button unless listed.
    // The window manager may still offer those through its own menu; that is its call.
    flags |= Qt::CustomizeWindowHint;
    if (tpl.style & res::dlg::Caption) {
        flags |= Qt::WindowTitleHint;
    }
    if (tpl.style & res::dlg::SysMenu) {
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    }
    if (tpl.style & res::dlg::MinimizeBox) {
        flags |= Qt::WindowMinimizeButtonHint;
    }
    if (tpl.style & res::dlg::MaximizeBox) {
        flags |= Qt::WindowMaximizeButtonHint;
    }
    return flags;
}

bool IsEnterKey(const QKeyEvent& event) {
    return event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter;
}

}  // namespace

struct DialogBackend {
    static BOOL CreateFromTemplate(CDialogEx& dlg, HWND owner);
    static void RouteButtonClicks(CDialogEx& dlg);
    static void CreateSystemMenu(CDialogEx& dlg);
    static void WatchPorts(CDialogEx& dlg);
    static void CreateAccelerators(CDialogEx& dlg);
    static void FocusFirstTabStop(CDialogEx& dlg);
    static void HandleEnter(CDialogEx& dlg);
    static void ShowSystemMenu(CDialogEx& dlg, const QPoint& globalPos);
    static bool Ending(const CDialogEx& dlg) { return dlg.m_bEnding; }
};

// The Qt window of a dialog: hands its input and painting to the dialog object.
class DialogWindow : public QDialog {
  public:
    DialogWindow(CDialogEx* owner, QWidget* parent, Qt::WindowFlags flags)
        : QDialog(parent, flags), m_pOwner(owner) {}

  protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (IsEnterKey(*event)) {
            DialogBackend::HandleEnter(*m_pOwner);
        } else if (event->key() == Qt::Key_Escape) {
            m_pOwner->SendMessage(WM_COMMAND, CommandParam(IDCANCEL, BN_CLICKED));
        } else if (event->key() == Qt::Key_F1) {
            m_pOwner->SendMessage(WM_COMMAND, CommandParam(ID_HELP, 0));
        } else {
            QDialog::keyPressEvent(event);
        }
    }

    void closeEvent(QCloseEvent* event) override {
        if (DialogBackend::Ending(*m_pOwner)) {
            event->accept();
            return;
        }
        // The close box is a system command; the dialog decides whether it closes.
        event->ignore();
        m_pOwner->SendMessage(WM_SYSCOMMAND, SC_CLOSE);
    }

    // The gesture goes to the dialog as WM_CONTEXTMENU with the control it was made over; a
    // dialog that does not take it shows its system menu.
    void contextMenuEvent(QContextMenuEvent* event) override {
        QWidget* control = childAt(event->pos());
        while (control != nullptr && control->parentWidget() != this) {
            control = control->parentWidget();
        }
        const QPoint at = event->globalPos();
        const LPARAM point = (at.x() & 0xFFFF) | ((at.y() & 0xFFFF) << 16);
        LRESULT result = 0;
        if (!m_pOwner->OnWndMsg(WM_CONTEXTMENU,
                                reinterpret_cast<WPARAM>(control != nullptr ? control : this),
                                point, &result)) {
            DialogBackend::ShowSystemMenu(*m_pOwner, at);
        }
    }

    void paintEvent(QPaintEvent*) override { m_pOwner->SendMessage(WM_PAINT); }

  private:
    CDialogEx* m_pOwner;
};

HWND RootWindowOf(HWND hWnd) {
    return hWnd->window();
}

HWND ActiveWindow() {
    return QApplication::activeWindow();
}

void EndModalLoop(HWND hWnd, int nResult) {
    static_cast<QDialog*>(hWnd)->done(nResult);
}

BOOL DialogBackend::CreateFromTemplate(CDialogEx& dlg, HWND owner) {
    const res::DialogTemplate* tpl = res::FindDialogTemplate(static_cast<int>(dlg.m_nIDTemplate));
    if (tpl == nullptr || dlg.m_hWnd != nullptr) {
        return FALSE;
    }
    auto* window = new DialogWindow(&dlg, owner, WindowFlagsFor(*tpl));
    window->setWindowTitle(QString::fromUtf8(res::DialogTitle(*tpl)));
    window->setFont(DialogFont(tpl->pointSize));
    const DialogBaseUnits units = BaseUnitsOf(window->font());
    const QSize size(MulDiv(tpl->cx, units.cx, 4), MulDiv(tpl->cy, units.cy, 8));
    if (tpl->style & res::dlg::SizingBorder) {
        window->resize(size);
    } else {
        window->setFixedSize(size);
    }
    dlg.Attach(window);
    dlg.m_pState = std::make_unique<CDialogEx::WindowState>();
    dlg.m_pState->tpl = tpl;
    dlg.m_pState->controls = BuildControls(*tpl, window, units);
    RouteButtonClicks(dlg);
    CreateSystemMenu(dlg);
    WatchPorts(dlg);
    CreateAccelerators(dlg);
    dlg.m_nModalResult = -1;
    dlg.m_bEnding = false;
    if (dlg.OnInitDialog()) {
        FocusFirstTabStop(dlg);
    }
    return TRUE;
}

void DialogBackend::RouteButtonClicks(CDialogEx& dlg) {
    for (const BuiltControl& control : dlg.m_pState->controls) {
        auto* button = qobject_cast<QAbstractButton*>(control.widget);
        if (button == nullptr || control.tpl->id == IDC_STATIC) {
            continue;
        }
        const UINT nID = static_cast<UINT>(control.tpl->id);
        QObject::connect(button, &QAbstractButton::clicked, button, [&dlg, nID] {
            dlg.SendMessage(WM_COMMAND, CommandParam(nID, BN_CLICKED));
        });
    }
}

void DialogBackend::CreateSystemMenu(CDialogEx& dlg) {
    if (!(dlg.m_pState->tpl->style & res::dlg::SysMenu)) {
        return;
    }
    dlg.m_pState->systemMenu = std::make_unique<CMenu>(&dlg);
    CMenu& menu = *dlg.m_pState->systemMenu;
    menu.AppendMenu(MF_STRING, SC_CLOSE, res::Text(res::TextId::MenuClose));
    // The item is ours here, not the system's: it speaks the language of the moment.
    QObject::connect(menu.GetSafeHmenu(), &QMenu::aboutToShow, menu.GetSafeHmenu(), [&menu] {
        menu.ModifyMenu(SC_CLOSE, MF_BYCOMMAND | MF_STRING, SC_CLOSE,
                        res::Text(res::TextId::MenuClose));
    });
    auto* shortcut = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Space), dlg.m_hWnd);
    QObject::connect(shortcut, &QShortcut::activated, dlg.m_hWnd,
                     [&dlg] { ShowSystemMenu(dlg, dlg.m_hWnd->mapToGlobal(QPoint(0, 0))); });
}

// Windows tells every top-level window when a device comes or goes (WM_DEVICECHANGE); here the
// port list's watch stands in for it, for the dialogs that handle the message. Woken by the
// event loop, never by a timer.
void DialogBackend::WatchPorts(CDialogEx& dlg) {
    if (dlg.FindMessageEntry(WM_DEVICECHANGE, 0, 0) == nullptr) {
        return;
    }
    CDialogEx::WindowState& state = *dlg.m_pState;
    state.portWatch = std::make_unique<PortListWatch>();
    if (state.portWatch->Descriptor() < 0) {
        return;
    }
    state.portNotifier =
        std::make_unique<QSocketNotifier>(state.portWatch->Descriptor(), QSocketNotifier::Read);
    QObject::connect(state.portNotifier.get(), &QSocketNotifier::activated, dlg.m_hWnd, [&dlg] {
        const PortListChanges changes = dlg.m_pState->portWatch->TakeChanges();
        if (changes.arrival) {
            dlg.SendMessage(WM_DEVICECHANGE, DBT_DEVICEARRIVAL);
        }
        if (changes.removal) {
            dlg.SendMessage(WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE);
        }
    });
}

void DialogBackend::CreateAccelerators(CDialogEx& dlg) {
    for (const res::Accelerator& accelerator : res::FindAccelerators(dlg.m_pState->tpl->id)) {
        const auto key = static_cast<Qt::Key>(Qt::Key_A + (accelerator.key - 'A'));
        auto* shortcut = new QShortcut(QKeySequence(Qt::CTRL | key), dlg.m_hWnd);
        const auto command = static_cast<WPARAM>(accelerator.command);
        QObject::connect(shortcut, &QShortcut::activated, dlg.m_hWnd,
                         [&dlg, command] { dlg.SendMessage(WM_SYSCOMMAND, command); });
    }
}

void DialogBackend::FocusFirstTabStop(CDialogEx& dlg) {
    for (const BuiltControl& control : dlg.m_pState->controls) {
        if ((control.tpl->style & res::ctl::TabStop) && control.widget->isEnabled()) {
            control.widget->setFocus(Qt::OtherFocusReason);
            return;
        }
    }
}

BOOL CDialogEx::CreateModeless(HWND owner) {
    if (!DialogBackend::CreateFromTemplate(*this, owner)) {
        return FALSE;
    }
    if ((m_pState->tpl->style & res::dlg::Visible) && !m_bEnding) {
        m_hWnd->show();
    }
    return TRUE;
}

INT_PTR CDialogEx::DoModal() {
    if (!DialogBackend::CreateFromTemplate(*this, ModalOwner())) {
        return -1;
    }
    auto* window = static_cast<QDialog*>(m_hWnd);
    if (!m_bEnding) {
        window->setWindowModality(Qt::ApplicationModal);
        m_bInModalLoop = true;
        window->exec();
        m_bInModalLoop = false;
    }
    const INT_PTR result = m_nModalResult;
    DestroyWindow();
    return result;
}

void CDialogEx::DestroyWindow() {
    if (m_hWnd == nullptr) {
        return;
    }
    // Dialogs this one owns go first, as owned windows do on Windows.
    for (auto* owned : m_hWnd->findChildren<DialogWindow*>(Qt::FindDirectChildrenOnly)) {
        if (auto* dlg = dynamic_cast<CDialogEx*>(BoundWrapperOf(owned))) {
            dlg->DestroyWindow();
        }
    }
    for (const BuiltControl& control : m_pState->controls) {
        if (CWnd* bound = BoundWrapperOf(control.widget)) {
            bound->Detach();
        }
    }
    m_pState.reset();
    QWidget* window = m_hWnd;
    Detach();
    delete window;
}

void CDialogEx::OnContextMenu(CWnd*, CPoint point) {
    DialogBackend::ShowSystemMenu(*this, QPoint(point.x, point.y));
}

void CDialogEx::AddCtrlShortcut(UINT nKey, UINT nID, CWnd* pScope) {
    QWidget* scope = pScope != nullptr ? pScope->GetSafeHwnd() : m_hWnd;
    auto* shortcut = new QShortcut(QKeySequence(Qt::CTRL | static_cast<Qt::Key>(nKey)), scope);
    shortcut->setContext(pScope != nullptr ? Qt::WidgetWithChildrenShortcut : Qt::WindowShortcut);
    QObject::connect(shortcut, &QShortcut::activated, scope,
                     [this, nID] { SendMessage(WM_COMMAND, CommandParam(nID, 0)); });
}

std::vector<CWnd*> CDialogEx::GetTemplateControls() const {
    std::vector<CWnd*> controls;
    for (const BuiltControl& control : m_pState->controls) {
        controls.push_back(WrapperOf(control.widget));
    }
    return controls;
}

void DialogBackend::HandleEnter(CDialogEx& dlg) {
    // Enter on a push button presses that button; anywhere else it runs the default command.
    if (auto* button = qobject_cast<QPushButton*>(dlg.m_hWnd->focusWidget())) {
        button->click();
        return;
    }
    UINT nDefaultID = IDOK;
    for (const BuiltControl& control : dlg.m_pState->controls) {
        if (control.tpl->style & res::ctl::DefaultButton) {
            nDefaultID = static_cast<UINT>(control.tpl->id);
            break;
        }
    }
    dlg.SendMessage(WM_COMMAND, CommandParam(nDefaultID, BN_CLICKED));
}

void DialogBackend::ShowSystemMenu(CDialogEx& dlg, const QPoint& globalPos) {
    if (CMenu* menu = dlg.GetSystemMenu(FALSE)) {
        menu->GetSafeHmenu()->popup(globalPos);
    }
}
