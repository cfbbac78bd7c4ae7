// Painting of a window inside its paint handler.
#pragma once

#include <memory>

#include "console/dialog/types.h"

class CWnd;

class CDC {
  public:
    ~CDC();
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;

    HDC GetSafeHdc();
    // Draws the icon at its system size (SM_CXICON by SM_CYICON) with its top left at x, y.
    BOOL DrawIcon(int x, int y, HICON hIcon);

    // What the backend draws with.
    struct State;
    State& BackendState() { return *m_pState; }

  protected:
    explicit CDC(std::unique_ptr<State> state);

  private:
    std::unique_ptr<State> m_pState;
};

// Only valid while the window handles WM_PAINT.
class CPaintDC : public CDC {
  public:
    explicit CPaintDC(CWnd* pWnd);
};
