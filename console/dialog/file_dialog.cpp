#include "console/dialog/file_dialog.h"

namespace {
IFileDialogPresenter* g_pPresenter = nullptr;  // nullptr: the backend's own
}  // namespace

IFileDialogPresenter* SetFileDialogPresenter(IFileDialogPresenter* presenter) {
    IFileDialogPresenter* previous = g_pPresenter;
    g_pPresenter = presenter;
    return previous;
}

std::optional<std::string> PresentSaveFileDialog(const SaveFileRequest& request) {
    IFileDialogPresenter& presenter =
        g_pPresenter != nullptr ? *g_pPresenter : DefaultFileDialogPresenter();
    return presenter.AskSaveFile(request);
}
