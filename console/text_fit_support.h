// The texts of a dialog measured against their controls, for the window tests of both
// backends.
#pragma once

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

#include "console/dialog/dialog.h"
#include "console/dialog/text_fit.h"

struct ShownTextFit {
    std::string dialog;
    TextFit fit;
};

inline std::ostream& operator<<(std::ostream& os, const ShownTextFit& shown) {
    return os << shown.dialog << ": \"" << shown.fit.text << "\" needs " << shown.fit.needed
              << " px of " << shown.fit.room;
}

// Every caption and column heading of the dialog.
inline void AddTextFits(const CDialogEx& dialog, std::vector<ShownTextFit>& fits) {
    const std::string name = dialog.GetWindowText();
    for (CWnd* control : dialog.GetTemplateControls()) {
        if (const auto caption = MeasureCaption(control->GetSafeHwnd())) {
            if (!caption->text.empty()) {
                fits.push_back({name, *caption});
            }
        }
        for (const TextFit& heading : MeasureColumnHeadings(control->GetSafeHwnd())) {
            fits.push_back({name, heading});
        }
    }
}

// The fits with the least room to spare first.
inline std::vector<ShownTextFit> TightestFirst(std::vector<ShownTextFit> fits) {
    std::ranges::sort(fits, [](const ShownTextFit& a, const ShownTextFit& b) {
        return a.fit.room - a.fit.needed < b.fit.room - b.fit.needed;
    });
    return fits;
}
