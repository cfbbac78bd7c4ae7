// What a device context draws with on Qt: a painter on the window's widget.
#pragma once

#include <QPainter>

#include "console/dialog/paint_dc.h"

struct CDC::State {
    explicit State(QWidget* device) : painter(device) {}
    QPainter painter;
};

// Paints the window's whole client area in its background colour.
void EraseBackground(CDC& dc, const QWidget* window);
