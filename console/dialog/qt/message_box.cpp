#include "console/dialog/message_box.h"

#include <QApplication>
#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QSpacerItem>
#include <QStyle>

#include "console/dialog/wnd.h"
#include "res/resource.h"
#include "res/texts.h"

namespace {

QMessageBox::Icon IconFor(UINT nType) {
    return (nType & MB_ICONMASK) == MB_ICONEXCLAMATION ? QMessageBox::Warning : QMessageBox::NoIcon;
}

QWidget* OwnerWindow(const CWnd* owner) {
    QWidget* widget = owner != nullptr ? owner->GetSafeHwnd() : nullptr;
    return widget != nullptr ? widget->window() : nullptr;
}

// The window manager cuts a caption short that does not fit beside its title-bar buttons.
// Room for a bold caption and five buttons' worth of them covers the usual title bars.
int CaptionWidth(const QMessageBox& box) {
    QFont titleFont = QApplication::font();
    titleFont.setBold(true);
    const int button = box.style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, &box);
    return QFontMetrics(titleFont).horizontalAdvance(box.windowTitle()) + 5 * button;
}

// A message box sizes itself to its text alone; a spacer across its layout keeps it no
// narrower than its caption needs.
void KeepCaptionWhole(QMessageBox& box) {
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (grid != nullptr) {
        grid->addItem(new QSpacerItem(CaptionWidth(box), 0, QSizePolicy::Fixed), grid->rowCount(),
                      0, 1, grid->columnCount());
    }
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
        box.button(QMessageBox::Ok)->setText(QString::fromUtf8(res::Text(res::TextId::ButtonOk)));
        KeepCaptionWhole(box);
        box.exec();
        return IDOK;
    }
};

}  // namespace

IMessageBoxPresenter& DefaultMessageBoxPresenter() {
    static QtMessageBoxPresenter presenter;
    return presenter;
}
