#include "console/dialog/paint_dc.h"

#include "console/dialog/wnd.h"
#include "dialog_backend_state.h"

CDC::CDC(std::unique_ptr<State> state) : m_pState(std::move(state)) {}

CDC::~CDC() = default;

CPaintDC::CPaintDC(CWnd* pWnd) : CDC(std::make_unique<State>(pWnd->GetSafeHwnd())) {}
