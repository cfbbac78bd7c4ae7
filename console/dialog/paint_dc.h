// Painting of a window inside its paint handler.
#pragma once

#include <memory>

#include "console/dialog/types.h"

class CWnd;
class QPainter;
class QWidget;

class CDC {
  public:
    explicit CDC(QWidget* device);
    ~CDC();
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;

    HDC GetSafeHdc() { return this; }
    // Draws the icon at its system size (SM_CXICON by SM_CYICON) with its top left at x, y.
    BOOL DrawIcon(int x, int y, HICON hIcon);
    // Paints the window's whole client area in its background colour.
    void FillBackground(const QWidget* window);

  private:
    std::unique_ptr<QPainter> m_pPainter;
};

// Only valid while the window handles WM_PAINT.
class CPaintDC : public CDC {
  public:
    explicit CPaintDC(CWnd* pWnd);
};
