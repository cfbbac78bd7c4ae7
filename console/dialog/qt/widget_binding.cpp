#include "console/dialog/qt/widget_binding.h"

#include <QVariant>
#include <QWidget>

namespace {
constexpr char kControlIdProperty[] = "velkaroControlId";
}  // namespace

int ControlIdOf(const QWidget* widget) {
    const QVariant id = widget->property(kControlIdProperty);
    return id.isValid() ? id.toInt() : 0;
}

void SetControlId(QWidget* widget, int nID) {
    widget->setProperty(kControlIdProperty, nID);
}
