// The window layer's basic types and the message, command and style numbers its classes use:
// Windows' own on Windows, stand-ins with the same names and values on Qt (the backend's header,
// chosen by the build).
#pragma once

#include "dialog_backend_types.h"

struct CPoint {
    int x = 0;
    int y = 0;
    friend bool operator==(const CPoint&, const CPoint&) = default;
};

struct CRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
};
