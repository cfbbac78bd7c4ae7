#include "console/dialog/file_dialog.h"

#include <QFileDialog>
#include <QStringList>
#include <vector>

#include "console/dialog/wnd.h"

namespace {

class QtFileDialogPresenter : public IFileDialogPresenter {
  public:
    std::optional<std::string> AskSaveFile(const SaveFileRequest& request) override {
        QWidget* owner = request.pOwner != nullptr ? request.pOwner->GetSafeHwnd() : nullptr;
        QFileDialog dialog(owner != nullptr ? owner->window() : nullptr);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        std::vector<SaveFileType> types = {{request.filterName, request.extension}};
        types.insert(types.end(), request.moreTypes.begin(), request.moreTypes.end());
        QStringList filters;
        for (const SaveFileType& type : types) {
            filters << QString::fromStdString(type.filterName + " (*." + type.extension + ")");
        }
        dialog.setNameFilters(filters);
        dialog.setDefaultSuffix(QString::fromStdString(request.extension));
        QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                         [&dialog, filters, types](const QString& filter) {
                             const auto index = filters.indexOf(filter);
                             if (index >= 0) {
                                 dialog.setDefaultSuffix(QString::fromStdString(
                                     types[static_cast<size_t>(index)].extension));
                             }
                         });
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
