#include "console/dialog/message_box.h"

#include <QMessageBox>
#include <QPushButton>

#include "console/dialog/wnd.h"
#include "res/resource.h"

namespace {

QMessageBox::Icon IconFor(UINT nType) {
    return (nType & MB_ICONMASK) == MB_ICONEXCLAMATION ? QMessageBox::Warning : QMessageBox::NoIcon;
}

QWidget* OwnerWindow(const CWnd* owner) {
    QWidget* widget = owner != nullptr ? owner->GetSafeHwnd() : nullptr;
    return widget != nullptr ? widget->window() : nullptr;
}

class QtMessageBoxPresenter : public IMessageBoxPresenter {
  public:
    int Present(const MessageBoxRequest& request) override {
        QMessageBox box(IconFor(request.nType), QString::fromStdString(request.caption),
                        QString::fromStdString(request.text), QMessageBox::Ok,
                        OwnerWindow(request.pOwner));
        box.setWindowModality(box.parentWidget() != nullptr ? Qt::WindowModal
                                                            : Qt::ApplicationModal);
        // The button speaks the language of the rest of the interface.
        box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
        box.exec();
        return IDOK;
    }
};

}  // namespace

IMessageBoxPresenter& AfxDefaultMessageBoxPresenter() {
    static QtMessageBoxPresenter presenter;
    return presenter;
}
