#include "console/dialog/paint_dc.h"

#include "console/dialog/win32/dialog_backend_state.h"

HDC CDC::GetSafeHdc() {
    return m_pState->hDC;
}

BOOL CDC::DrawIcon(int x, int y, HICON hIcon) {
    return ::DrawIcon(m_pState->hDC, x, y, hIcon);
}
