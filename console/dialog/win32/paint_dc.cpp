#include "console/dialog/paint_dc.h"

#include "console/dialog/wnd.h"

struct CDC::State {
    explicit State(HWND window) : hWnd(window), hDC(::BeginPaint(window, &paint)) {}
    ~State() { ::EndPaint(hWnd, &paint); }
    State(const State&) = delete;
    State& operator=(const State&) = delete;

    HWND hWnd;
    PAINTSTRUCT paint{};
    HDC hDC;
};

CDC::CDC(std::unique_ptr<State> state) : m_pState(std::move(state)) {}

CDC::~CDC() = default;

HDC CDC::GetSafeHdc() {
    return m_pState->hDC;
}

BOOL CDC::DrawIcon(int x, int y, HICON hIcon) {
    return ::DrawIcon(m_pState->hDC, x, y, hIcon);
}

CPaintDC::CPaintDC(CWnd* pWnd) : CDC(std::make_unique<State>(pWnd->GetSafeHwnd())) {}
