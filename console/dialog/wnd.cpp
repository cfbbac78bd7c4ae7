#include "console/dialog/wnd.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QWidget>

#include "console/dialog/icon.h"
#include "console/dialog/message_box.h"
#include "console/dialog/paint_dc.h"
#include "console/dialog/win_app.h"
#include "res/resource.h"

namespace {
constexpr char kControlIdProperty[] = "velkaroControlId";
constexpr char kWrapperProperty[] = "velkaroWrapper";

UINT LowWord(WPARAM value) {
    return static_cast<UINT>(value & 0xFFFF);
}
UINT HighWord(WPARAM value) {
    return static_cast<UINT>((value >> 16) & 0xFFFF);
}
}  // namespace

int ControlIdOf(const QWidget* widget) {
    const QVariant id = widget->property(kControlIdProperty);
    return id.isValid() ? id.toInt() : 0;
}

void SetControlId(QWidget* widget, int nID) {
    widget->setProperty(kControlIdProperty, nID);
}

CWnd* BoundWrapperOf(const QWidget* widget) {
    return reinterpret_cast<CWnd*>(widget->property(kWrapperProperty).value<quintptr>());
}

CWnd::~CWnd() {
    Detach();
}

void CWnd::Attach(QWidget* widget) {
    m_pWidget = widget;
    widget->setProperty(kWrapperProperty, QVariant::fromValue(reinterpret_cast<quintptr>(this)));
}

void CWnd::Detach() {
    if (m_pWidget != nullptr && BoundWrapperOf(m_pWidget) == this) {
        m_pWidget->setProperty(kWrapperProperty, QVariant());
    }
    m_pWidget = nullptr;
    m_temporaryWrappers.clear();
}

int CWnd::GetDlgCtrlID() const {
    return ControlIdOf(m_pWidget);
}

CWnd* CWnd::GetDlgItem(int nID) const {
    for (QWidget* child : m_pWidget->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (ControlIdOf(child) == nID) {
            return WrapperOf(child);
        }
    }
    return nullptr;
}

CWnd* CWnd::WrapperOf(QWidget* child) const {
    if (CWnd* bound = BoundWrapperOf(child)) {
        return bound;
    }
    std::unique_ptr<CWnd>& wrapper = m_temporaryWrappers[child];
    if (!wrapper) {
        wrapper = std::make_unique<CWnd>();
        wrapper->m_pWidget = child;  // not bound: a member may still bind the control
    }
    return wrapper.get();
}

std::string CWnd::GetWindowText() const {
    QString text;
    if (auto* button = qobject_cast<QAbstractButton*>(m_pWidget)) {
        text = button->text();
    } else if (auto* edit = qobject_cast<QLineEdit*>(m_pWidget)) {
        text = edit->text();
    } else if (auto* combo = qobject_cast<QComboBox*>(m_pWidget)) {
        text = combo->currentText();
    } else if (auto* label = qobject_cast<QLabel*>(m_pWidget)) {
        text = label->text();
    } else if (auto* group = qobject_cast<QGroupBox*>(m_pWidget)) {
        text = group->title();
    } else if (m_pWidget->isWindow()) {
        text = m_pWidget->windowTitle();
    }
    return text.toStdString();
}

void CWnd::SetWindowText(const std::string& text) {
    const QString value = QString::fromStdString(text);
    if (auto* button = qobject_cast<QAbstractButton*>(m_pWidget)) {
        button->setText(value);
    } else if (auto* edit = qobject_cast<QLineEdit*>(m_pWidget)) {
        edit->setText(value);
    } else if (auto* label = qobject_cast<QLabel*>(m_pWidget)) {
        label->setText(value);
    } else if (auto* group = qobject_cast<QGroupBox*>(m_pWidget)) {
        group->setTitle(value);
    } else if (m_pWidget->isWindow()) {
        m_pWidget->setWindowTitle(value);
    }
}

BOOL CWnd::EnableWindow(BOOL bEnable) {
    const BOOL wasDisabled = !m_pWidget->isEnabled();
    m_pWidget->setEnabled(bEnable != FALSE);
    return wasDisabled;
}

BOOL CWnd::IsWindowEnabled() const {
    return m_pWidget->isEnabled();
}

void CWnd::SetFocus() {
    m_pWidget->setFocus(Qt::OtherFocusReason);
}

BOOL CWnd::IsIconic() const {
    return m_pWidget->isMinimized();
}

void CWnd::GetClientRect(CRect* lpRect) const {
    *lpRect = {0, 0, m_pWidget->width(), m_pWidget->height()};
}

void CWnd::SetIcon(HICON hIcon, BOOL) {
    if (hIcon != nullptr) {
        m_pWidget->setWindowIcon(hIcon->icon);
    }
}

int CWnd::MessageBox(const std::string& text, const char* caption, UINT nType) {
    return AfxPresentMessageBox(
        {this, text, caption != nullptr ? std::string(caption) : AfxGetAppName(), nType});
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            RunCommand(HighWord(wParam), LowWord(wParam));
            return 0;
        case WM_SYSCOMMAND:
            return RunSysCommand(static_cast<UINT>(wParam), lParam);
        case WM_PAINT:
            return RunPaint();
        case WM_QUERYDRAGICON:
            return RunQueryDragIcon();
        case WM_ICONERASEBKGND:
            reinterpret_cast<HDC>(wParam)->FillBackground(m_pWidget);
            return 1;
        default:
            return 0;
    }
}

void CWnd::RunCommand(UINT nCode, UINT nID) {
    // Commands nobody in the window handles go on to the application object.
    if (!DispatchCommand(nCode, nID) && AfxGetApp() != nullptr) {
        AfxGetApp()->DispatchCommand(nCode, nID);
    }
}

LRESULT CWnd::RunSysCommand(UINT nID, LPARAM lParam) {
    if (const MessageMapEntry* entry = FindMessageEntry(WM_SYSCOMMAND, 0, 0)) {
        (this->*std::get<AFX_PMSG_SYSCOMMAND>(entry->pfn))(nID, lParam);
    } else {
        OnSysCommand(nID, lParam);
    }
    return 0;
}

LRESULT CWnd::RunPaint() {
    if (const MessageMapEntry* entry = FindMessageEntry(WM_PAINT, 0, 0)) {
        (this->*std::get<AFX_PMSG>(entry->pfn))();
    } else {
        OnPaint();
    }
    return 0;
}

LRESULT CWnd::RunQueryDragIcon() {
    const MessageMapEntry* entry = FindMessageEntry(WM_QUERYDRAGICON, 0, 0);
    if (entry == nullptr) {
        return 0;
    }
    return reinterpret_cast<LRESULT>((this->*std::get<AFX_PMSG_QUERYICON>(entry->pfn))());
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
