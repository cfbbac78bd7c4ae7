#include "console/dialog/paint_dc.h"

#include <QPainter>
#include <QWidget>

#include "console/dialog/qt/icon.h"
#include "console/dialog/qt/paint_state.h"
#include "console/dialog/wnd.h"

CDC::CDC(std::unique_ptr<State> state) : m_pState(std::move(state)) {}

CDC::~CDC() = default;

// The painter stands for the device context itself.
HDC CDC::GetSafeHdc() {
    return this;
}

BOOL CDC::DrawIcon(int x, int y, HICON hIcon) {
    if (hIcon == nullptr) {
        return FALSE;
    }
    const int cx = GetSystemMetrics(SM_CXICON);
    const int cy = GetSystemMetrics(SM_CYICON);
    hIcon->icon.paint(&m_pState->painter, x, y, cx, cy);
    return TRUE;
}

void EraseBackground(CDC& dc, const QWidget* window) {
    dc.BackendState().painter.fillRect(window->rect(), window->palette().window());
}

CPaintDC::CPaintDC(CWnd* pWnd) : CDC(std::make_unique<State>(pWnd->GetSafeHwnd())) {}
