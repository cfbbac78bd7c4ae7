// Whether a control shows its text whole: the width the text needs in the control, by the
// window system's own font metrics, against the width the control gives it. What a kind of
// control needs beyond the text is the system's to say: a check box's or radio button's box
// and gap, a push button's margins, the indent of a group box's caption, the margins of a
// column heading.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "console/dialog/types.h"

struct TextFit {
    std::string text;
    int needed;  // pixels
    int room;    // pixels
    bool Fits() const { return needed <= room; }
};

// The caption of a push button, check box, radio button, group box or label; nothing for
// the controls whose text is their contents (edit fields, lists, combo boxes) and for icons.
std::optional<TextFit> MeasureCaption(HWND control);
// The headings of a list view's columns, in column order.
std::vector<TextFit> MeasureColumnHeadings(HWND listView);
