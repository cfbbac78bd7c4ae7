#include "console/dialog/message_box.h"

namespace {
IMessageBoxPresenter* g_pPresenter = nullptr;  // nullptr: the backend's own
}  // namespace

IMessageBoxPresenter* SetMessageBoxPresenter(IMessageBoxPresenter* presenter) {
    IMessageBoxPresenter* previous = g_pPresenter;
    g_pPresenter = presenter;
    return previous;
}

int PresentMessageBox(const MessageBoxRequest& request) {
    IMessageBoxPresenter& presenter =
        g_pPresenter != nullptr ? *g_pPresenter : DefaultMessageBoxPresenter();
    return presenter.Present(request);
}
