#include "console/dialog/message_box.h"

namespace {
IMessageBoxPresenter* g_pPresenter = nullptr;  // nullptr: the backend's own
}  // namespace

IMessageBoxPresenter* AfxSetMessageBoxPresenter(IMessageBoxPresenter* presenter) {
    IMessageBoxPresenter* previous = g_pPresenter;
    g_pPresenter = presenter;
    return previous;
}

int AfxPresentMessageBox(const MessageBoxRequest& request) {
    IMessageBoxPresenter& presenter =
        g_pPresenter != nullptr ? *g_pPresenter : AfxDefaultMessageBoxPresenter();
    return presenter.Present(request);
}
