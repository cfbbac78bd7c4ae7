// A label shown in a colour and a large bold font: the font and the colour live as properties
// of the label, the dialog paints with them (WM_CTLCOLORSTATIC) and frees them with the label.
#pragma once

#include "console/dialog/types.h"

void SetEmphasisOf(HWND hLabel, COLORREF color, int pointSize);
// The label's colour into the device context; false for a label without emphasis.
bool PaintEmphasis(HWND hLabel, HDC hdc);
void ReleaseEmphasis(HWND hLabel);
