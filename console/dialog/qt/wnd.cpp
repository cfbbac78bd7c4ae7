#include "console/dialog/wnd.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QWidget>

#include "console/dialog/qt/dialog_backend_state.h"
#include "console/dialog/qt/icon.h"
#include "console/dialog/qt/widget_binding.h"
#include "console/dialog/window_system.h"
#include "res/resource.h"

namespace {
constexpr char kWrapperProperty[] = "velkaroWrapper";
}  // namespace

CWnd* BoundWrapperOf(HWND widget) {
    return reinterpret_cast<CWnd*>(widget->property(kWrapperProperty).value<quintptr>());
}

void BindWrapper(HWND widget, CWnd* pWrapper) {
    widget->setProperty(kWrapperProperty,
                        pWrapper != nullptr
                            ? QVariant::fromValue(reinterpret_cast<quintptr>(pWrapper))
                            : QVariant());
}

CWnd* CWnd::GetDlgItem(int nID) const {
    for (QWidget* child : m_hWnd->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (ControlIdOf(child) == nID) {
            return WrapperOf(child);
        }
    }
    return nullptr;
}

std::string CWnd::GetWindowText() const {
    QString text;
    if (auto* button = qobject_cast<QAbstractButton*>(m_hWnd)) {
        text = button->text();
    } else if (auto* edit = qobject_cast<QLineEdit*>(m_hWnd)) {
        text = edit->text();
    } else if (auto* combo = qobject_cast<QComboBox*>(m_hWnd)) {
        text = combo->currentText();
    } else if (auto* label = qobject_cast<QLabel*>(m_hWnd)) {
        text = label->text();
    } else if (auto* group = qobject_cast<QGroupBox*>(m_hWnd)) {
        text = group->title();
    } else if (m_hWnd->isWindow()) {
        text = m_hWnd->windowTitle();
    }
    return text.toStdString();
}

void CWnd::SetWindowText(const std::string& text) {
    const QString value = QString::fromStdString(text);
    if (auto* button = qobject_cast<QAbstractButton*>(m_hWnd)) {
        button->setText(value);
    } else if (auto* edit = qobject_cast<QLineEdit*>(m_hWnd)) {
        edit->setText(value);
    } else if (auto* label = qobject_cast<QLabel*>(m_hWnd)) {
        label->setText(value);
    } else if (auto* group = qobject_cast<QGroupBox*>(m_hWnd)) {
        group->setTitle(value);
    } else if (m_hWnd->isWindow()) {
        m_hWnd->setWindowTitle(value);
    }
}

BOOL CWnd::EnableWindow(BOOL bEnable) {
    const BOOL wasDisabled = !m_hWnd->isEnabled();
    m_hWnd->setEnabled(bEnable != FALSE);
    return wasDisabled;
}

BOOL CWnd::IsWindowEnabled() const {
    return m_hWnd->isEnabled();
}

void CWnd::ShowWindow(int nCmdShow) {
    if (nCmdShow == SW_HIDE) {
        m_hWnd->hide();
        return;
    }
    m_hWnd->show();
    m_hWnd->raise();
    m_hWnd->activateWindow();
}

void CWnd::SetFocus() {
    m_hWnd->setFocus(Qt::OtherFocusReason);
}

BOOL CWnd::IsIconic() const {
    return m_hWnd->isMinimized();
}

void CWnd::ClientToScreen(CPoint* lpPoint) const {
    const QPoint screen = m_hWnd->mapToGlobal(QPoint(lpPoint->x, lpPoint->y));
    *lpPoint = {screen.x(), screen.y()};
}

void CWnd::GetClientRect(CRect* lpRect) const {
    *lpRect = {0, 0, m_hWnd->width(), m_hWnd->height()};
}

void CWnd::SetIcon(HICON hIcon, BOOL) {
    if (hIcon != nullptr) {
        m_hWnd->setWindowIcon(hIcon->icon);
    }
}

void CWnd::ShowBusyCursor(BOOL bBusy) {
    if (bBusy) {
        m_hWnd->setCursor(Qt::BusyCursor);
    } else {
        m_hWnd->unsetCursor();
    }
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_ICONERASEBKGND) {
        // The whole client area in the window's background colour.
        reinterpret_cast<HDC>(wParam)->BackendState().painter.fillRect(m_hWnd->rect(),
                                                                       m_hWnd->palette().window());
        return 1;
    }
    LRESULT result = 0;
    if (OnWndMsg(message, wParam, lParam, &result)) {
        return result;
    }
    switch (message) {
        case WM_SYSCOMMAND:
            OnSysCommand(static_cast<UINT>(wParam), lParam);
            return 0;
        case WM_PAINT:
            OnPaint();
            return 0;
        default:
            return 0;
    }
}

void CWnd::OnSysCommand(UINT nID, LPARAM) {
    // A close becomes the Cancel command, as a dialog's close box does. Moving, sizing and
    // minimising are carried out by the window manager itself and never arrive here.
    if ((nID & 0xFFF0) == SC_CLOSE) {
        SendMessage(WM_COMMAND, IDCANCEL);
    }
}

// Qt has painted the background already and every control paints itself.
void CWnd::OnPaint() {}
