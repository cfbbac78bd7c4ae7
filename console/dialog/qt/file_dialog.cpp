#include "console/dialog/file_dialog.h"

#include <QFileDialog>

#include "console/dialog/wnd.h"

namespace {

class QtFileDialogPresenter : public IFileDialogPresenter {
  public:
    std::optional<std::string> AskSaveFile(const SaveFileRequest& request) override {
        QWidget* owner = request.pOwner != nullptr ? request.pOwner->GetSafeHwnd() : nullptr;
        QFileDialog dialog(owner != nullptr ? owner->window() : nullptr);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setNameFilter(
            QString::fromStdString(request.filterName + " (*." + request.extension + ")"));
        dialog.setDefaultSuffix(QString::fromStdString(request.extension));
        dialog.selectFile(QString::fromStdString(request.defaultName));
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
            return std::nullopt;
        }
        return dialog.selectedFiles().first().toStdString();
    }
};

}  // namespace

IFileDialogPresenter& DefaultFileDialogPresenter() {
    static QtFileDialogPresenter presenter;
    return presenter;
}
