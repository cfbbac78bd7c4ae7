#include "console/dialog/file_dialog.h"

#include "console/dialog/presenter.h"

namespace {
PresenterSlot<IFileDialogPresenter> g_presenter(DefaultFileDialogPresenter);
}  // namespace

IFileDialogPresenter* SetFileDialogPresenter(IFileDialogPresenter* presenter) {
    return g_presenter.Install(presenter);
}

std::optional<std::string> PresentSaveFileDialog(const SaveFileRequest& request) {
    return g_presenter.Current().AskSaveFile(request);
}
