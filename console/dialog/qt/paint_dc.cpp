#include "console/dialog/paint_dc.h"

#include "console/dialog/qt/dialog_backend_state.h"
#include "console/dialog/qt/icon.h"

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
