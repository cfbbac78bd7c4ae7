#include "console/dialog/message_box.h"

#include "console/dialog/presenter.h"

namespace {
PresenterSlot<IMessageBoxPresenter> g_presenter(DefaultMessageBoxPresenter);
}  // namespace

IMessageBoxPresenter* SetMessageBoxPresenter(IMessageBoxPresenter* presenter) {
    return g_presenter.Install(presenter);
}

int PresentMessageBox(const MessageBoxRequest& request) {
    return g_presenter.Current().Present(request);
}
