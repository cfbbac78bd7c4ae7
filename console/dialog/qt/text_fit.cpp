#include "console/dialog/text_fit.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionGroupBox>
#include <QTreeView>

namespace {

// The width the style gives a text drawn on one line, '&' marking an access key.
int TextWidth(const QWidget& widget, const QFontMetrics& metrics, const QString& text) {
    return widget.style()
        ->itemTextRect(metrics, QRect(0, 0, 1 << 20, 1 << 10), Qt::TextShowMnemonic, true, text)
        .width();
}

QStyleOptionButton ButtonOption(const QAbstractButton& button) {
    QStyleOptionButton option;
    option.initFrom(&button);
    option.text = button.text();
    return option;
}

TextFit ButtonFit(const QAbstractButton& button, QStyle::SubElement contents) {
    const QStyleOptionButton option = ButtonOption(button);
    const QRect room = button.style()->subElementRect(contents, &option, &button);
    return {button.text().toStdString(), TextWidth(button, button.fontMetrics(), button.text()),
            room.width()};
}

// The caption sits in the frame's top edge with an indent; the same indent is kept at its end.
TextFit GroupBoxFit(const QGroupBox& group) {
    QStyleOptionGroupBox option;
    option.initFrom(&group);
    option.text = group.title();
    option.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
    option.textAlignment = group.alignment();
    const QRect label = group.style()->subControlRect(QStyle::CC_GroupBox, &option,
                                                      QStyle::SC_GroupBoxLabel, &group);
    const int indent = label.left();
    return {group.title().toStdString(),
            indent + TextWidth(group, group.fontMetrics(), group.title()) + indent, group.width()};
}

TextFit LabelFit(const QLabel& label) {
    const int room =
        label.contentsRect().width() - 2 * label.margin() - std::max(label.indent(), 0);
    return {label.text().toStdString(), label.fontMetrics().horizontalAdvance(label.text()), room};
}

}  // namespace

std::optional<TextFit> MeasureCaption(HWND control) {
    if (const auto* check = qobject_cast<const QCheckBox*>(control)) {
        return ButtonFit(*check, QStyle::SE_CheckBoxContents);
    }
    if (const auto* radio = qobject_cast<const QRadioButton*>(control)) {
        return ButtonFit(*radio, QStyle::SE_RadioButtonContents);
    }
    if (const auto* button = qobject_cast<const QPushButton*>(control)) {
        return ButtonFit(*button, QStyle::SE_PushButtonContents);
    }
    if (const auto* group = qobject_cast<const QGroupBox*>(control)) {
        return GroupBoxFit(*group);
    }
    if (const auto* label = qobject_cast<const QLabel*>(control);
        label && label->pixmap().isNull()) {
        return LabelFit(*label);
    }
    return std::nullopt;
}

std::vector<TextFit> MeasureColumnHeadings(HWND listView) {
    std::vector<TextFit> fits;
    const auto* view = qobject_cast<const QTreeView*>(listView);
    if (view == nullptr) {
        return fits;
    }
    const QHeaderView& header = *view->header();
    const int margin = header.style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, &header);
    for (int column = 0; column < header.count(); ++column) {
        const QString text = view->model()->headerData(column, Qt::Horizontal).toString();
        fits.push_back({text.toStdString(),
                        margin + header.fontMetrics().horizontalAdvance(text) + margin,
                        header.sectionSize(column)});
    }
    return fits;
}
