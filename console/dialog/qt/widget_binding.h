// Control ids of the widgets a dialog builds, kept on the widgets themselves.
#pragma once

class QWidget;

int ControlIdOf(const QWidget* widget);
void SetControlId(QWidget* widget, int nID);
