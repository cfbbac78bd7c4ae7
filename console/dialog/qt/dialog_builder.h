// Turns a dialog template into widgets. Dialog units become pixels through the dialog font:
// a horizontal unit is a quarter of the font's average character width, a vertical unit an
// eighth of its height, so the window keeps the template's proportions with any font.
#pragma once

#include <QFont>
#include <QRect>
#include <vector>

#include "res/dialog_templates.h"

class QWidget;

struct DialogBaseUnits {
    int cx;
    int cy;
};

// number * numerator / denominator, rounded half away from zero.
int MulDiv(int number, int numerator, int denominator);

// The sans-serif face that stands in for the template's dialog face: one that has the
// Chinese characters of the captions.
QFont DialogFont(int pointSize);
DialogBaseUnits BaseUnitsOf(const QFont& font);
QRect DialogRectToPixels(const res::DialogRect& rect, DialogBaseUnits units);

struct BuiltControl {
    const res::ControlTemplate* tpl;
    QWidget* widget;
};

// Creates the template's controls as children of dialog, in template order (the tab order).
std::vector<BuiltControl> BuildControls(const res::DialogTemplate& tpl, QWidget* dialog,
                                        DialogBaseUnits units);
