#include "console/dialog/qt/dialog_builder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <cstdlib>

#include "console/dialog/qt/icon.h"
#include "console/dialog/qt/list_box_view.h"
#include "console/dialog/qt/report_view.h"
#include "console/dialog/qt/widget_binding.h"
#include "console/dialog/radio_group.h"
#include "console/dialog/wnd.h"

namespace {

using res::ControlKind;

bool Has(const res::ControlTemplate& tpl, uint32_t style) {
    return (tpl.style & style) != 0;
}

QString Caption(const res::ControlTemplate& tpl) {
    const char* text = res::ControlText(tpl);
    return text != nullptr ? QString::fromUtf8(text) : QString();
}

QWidget* MakeListBox(const res::ControlTemplate& tpl, QWidget* parent) {
    auto* view = new ListBoxView(parent);
    view->setFrameShape(Has(tpl, res::ctl::Border) ? QFrame::StyledPanel : QFrame::NoFrame);
    view->setVerticalScrollBarPolicy(Has(tpl, res::ctl::VScroll) ? Qt::ScrollBarAsNeeded
                                                                 : Qt::ScrollBarAlwaysOff);
    return view;
}

QWidget* MakeListView(const res::ControlTemplate& tpl, QWidget* parent) {
    auto* view = new ReportView(parent);
    view->setFrameShape(Has(tpl, res::ctl::Border) ? QFrame::StyledPanel : QFrame::NoFrame);
    return view;
}

QWidget* MakeEdit(const res::ControlTemplate& tpl, QWidget* parent) {
    auto* edit = new QLineEdit(Caption(tpl), parent);
    edit->setFrame(Has(tpl, res::ctl::Border));
    return edit;
}

QWidget* MakeLabel(const res::ControlTemplate& tpl, QWidget* parent) {
    auto* label = new QLabel(Caption(tpl), parent);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

QWidget* MakeIcon(const res::ControlTemplate& tpl, QWidget* parent) {
    auto* label = new QLabel(parent);
    if (HICON icon = LoadIconResource(tpl.imageId)) {
        const int size = GetSystemMetrics(SM_CXICON);
        label->setPixmap(icon->icon.pixmap(size, size));
    }
    return label;
}

QWidget* MakePushButton(const res::ControlTemplate& tpl, QWidget* parent) {
    auto* button = new QPushButton(Caption(tpl), parent);
    // Enter is the dialog's to handle (see the dialog window's key handling).
    button->setAutoDefault(false);
    button->setDefault(Has(tpl, res::ctl::DefaultButton));
    return button;
}

QWidget* MakeRadioButton(const res::ControlTemplate& tpl, QWidget* parent) {
    auto* radio = new QRadioButton(Caption(tpl), parent);
    // Exclusivity follows the template's groups, set up once all controls exist.
    radio->setAutoExclusive(false);
    return radio;
}

QWidget* MakeProgressBar(QWidget* parent) {
    auto* bar = new QProgressBar(parent);
    bar->setTextVisible(false);  // a bar alone, as on Windows
    return bar;
}

QWidget* MakeControl(const res::ControlTemplate& tpl, QWidget* parent) {
    switch (tpl.kind) {
        case ControlKind::ListBox:
            return MakeListBox(tpl, parent);
        case ControlKind::ListView:
            return MakeListView(tpl, parent);
        case ControlKind::GroupBox:
            return new QGroupBox(Caption(tpl), parent);
        case ControlKind::RadioButton:
            return MakeRadioButton(tpl, parent);
        case ControlKind::CheckBox:
            return new QCheckBox(Caption(tpl), parent);
        case ControlKind::Edit:
            return MakeEdit(tpl, parent);
        case ControlKind::Label:
            return MakeLabel(tpl, parent);
        case ControlKind::ComboBox:
            return new QComboBox(parent);
        case ControlKind::PushButton:
            return MakePushButton(tpl, parent);
        case ControlKind::Icon:
            return MakeIcon(tpl, parent);
        case ControlKind::ProgressBar:
            return MakeProgressBar(parent);
    }
    return nullptr;
}

bool IsStatic(ControlKind kind) {
    return kind == ControlKind::GroupBox || kind == ControlKind::Label ||
           kind == ControlKind::Icon || kind == ControlKind::ProgressBar;
}

void PlaceControl(const res::ControlTemplate& tpl, QWidget* widget, DialogBaseUnits units) {
    const QRect rect = DialogRectToPixels(tpl.rect, units);
    switch (tpl.kind) {
        case ControlKind::ComboBox: {
            // The template's height includes the dropped list; the box itself is one line.
            auto* combo = static_cast<QComboBox*>(widget);
            const int boxHeight = combo->sizeHint().height();
            const int rowHeight = combo->fontMetrics().height();
            combo->setMaxVisibleItems(std::max(1, (rect.height() - boxHeight) / rowHeight));
            combo->setGeometry(rect.x(), rect.y(), rect.width(), boxHeight);
            break;
        }
        case ControlKind::Icon: {
            // An icon control takes the size of the icon it shows.
            const int size = GetSystemMetrics(SM_CXICON);
            widget->setGeometry(rect.x(), rect.y(), size, size);
            break;
        }
        default:
            widget->setGeometry(rect);
            break;
    }
}

void SetFocusBehaviour(const res::ControlTemplate& tpl, QWidget* widget) {
    if (IsStatic(tpl.kind)) {
        widget->setFocusPolicy(Qt::NoFocus);
        // Static controls never take the pointer: a group box lies over the controls it frames.
        widget->setAttribute(Qt::WA_TransparentForMouseEvents);
    } else {
        widget->setFocusPolicy(Has(tpl, res::ctl::TabStop) ? Qt::StrongFocus : Qt::ClickFocus);
    }
}

void ChainTabOrder(const std::vector<BuiltControl>& controls) {
    QWidget* previous = nullptr;
    for (const BuiltControl& control : controls) {
        if (!Has(*control.tpl, res::ctl::TabStop)) {
            continue;
        }
        if (previous != nullptr) {
            QWidget::setTabOrder(previous, control.widget);
        }
        previous = control.widget;
    }
}

// Earlier controls lie above later ones, as in the template's window order.
void StackInTemplateOrder(const std::vector<BuiltControl>& controls) {
    for (auto control = controls.rbegin(); control != controls.rend(); ++control) {
        control->widget->raise();
    }
}

// An auto radio button ticks itself when clicked and clears the others of its group.
void MakeRadioGroupsExclusive(const std::vector<BuiltControl>& controls,
                              std::span<const res::ControlTemplate> templates) {
    for (size_t i = 0; i < controls.size(); ++i) {
        if (!Has(*controls[i].tpl, res::ctl::Group)) {
            continue;
        }
        std::vector<QAbstractButton*> group;
        const std::vector<size_t> members = RadioGroupAt(templates, i);
        for (size_t index : members) {
            group.push_back(static_cast<QAbstractButton*>(controls[index].widget));
        }
        for (size_t index : members) {
            if (!Has(*controls[index].tpl, res::ctl::Auto)) {
                continue;
            }
            auto* radio = static_cast<QAbstractButton*>(controls[index].widget);
            QObject::connect(radio, &QAbstractButton::clicked, radio, [radio, group] {
                for (QAbstractButton* member : group) {
                    member->setChecked(member == radio);
                }
            });
        }
    }
}

}  // namespace

int MulDiv(int number, int numerator, int denominator) {
    const long long product = static_cast<long long>(number) * numerator;
    const long long half = std::llabs(denominator) / 2;
    const long long rounded = (product < 0) == (denominator < 0) ? product + half : product - half;
    return static_cast<int>(rounded / denominator);
}

QFont DialogFont(int pointSize) {
    static const QString kPreferred[] = {
        QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC"),
        QStringLiteral("Source Han Sans SC"), QStringLiteral("Droid Sans Fallback")};
    const QStringList chinese = QFontDatabase::families(QFontDatabase::SimplifiedChinese);
    QString family;
    for (const QString& candidate : kPreferred) {
        if (chinese.contains(candidate)) {
            family = candidate;
            break;
        }
    }
    if (family.isEmpty() && !chinese.isEmpty()) {
        family = chinese.first();
    }
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    if (!family.isEmpty()) {
        font.setFamily(family);
    }
    font.setPointSize(pointSize);
    return font;
}

DialogBaseUnits BaseUnitsOf(const QFont& font) {
    const QFontMetrics metrics(font);
    const int width52 = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return {(width52 / 26 + 1) / 2, metrics.height()};
}

QRect DialogRectToPixels(const res::DialogRect& rect, DialogBaseUnits units) {
    return {MulDiv(rect.x, units.cx, 4), MulDiv(rect.y, units.cy, 8), MulDiv(rect.cx, units.cx, 4),
            MulDiv(rect.cy, units.cy, 8)};
}

std::vector<BuiltControl> BuildControls(const res::DialogTemplate& tpl, QWidget* dialog,
                                        DialogBaseUnits units) {
    std::vector<BuiltControl> controls;
    for (const res::ControlTemplate& control : tpl.controls) {
        QWidget* widget = MakeControl(control, dialog);
        SetControlId(widget, control.id);
        PlaceControl(control, widget, units);
        SetFocusBehaviour(control, widget);
        controls.push_back({&control, widget});
    }
    ChainTabOrder(controls);
    StackInTemplateOrder(controls);
    MakeRadioGroupsExclusive(controls, tpl.controls);
    return controls;
}
