#include "console/dialog/paint_dc.h"

#include <QPainter>
#include <QWidget>

#include "console/dialog/icon.h"
#include "console/dialog/wnd.h"

CDC::CDC(QWidget* device) : m_pPainter(std::make_unique<QPainter>(device)) {}

CDC::~CDC() = default;

BOOL CDC::DrawIcon(int x, int y, HICON hIcon) {
    if (hIcon == nullptr) {
        return FALSE;
    }
    const int cx = GetSystemMetrics(SM_CXICON);
    const int cy = GetSystemMetrics(SM_CYICON);
    hIcon->icon.paint(m_pPainter.get(), x, y, cx, cy);
    return TRUE;
}

void CDC::FillBackground(const QWidget* window) {
    m_pPainter->fillRect(window->rect(), window->palette().window());
}

CPaintDC::CPaintDC(CWnd* pWnd) : CDC(pWnd->GetSafeHwnd()) {}
