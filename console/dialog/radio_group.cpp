#include "console/dialog/radio_group.h"

std::vector<size_t> RadioGroupAt(std::span<const res::ControlTemplate> controls, size_t first) {
    std::vector<size_t> radios;
    for (size_t i = first; i < controls.size(); ++i) {
        if (i > first && (controls[i].style & res::ctl::Group)) {
            break;
        }
        if (controls[i].kind == res::ControlKind::RadioButton) {
            radios.push_back(i);
        }
    }
    return radios;
}

std::vector<size_t> RadioGroupOf(const res::DialogTemplate& tpl, int nIDC) {
    for (size_t i = 0; i < tpl.controls.size(); ++i) {
        if (tpl.controls[i].id == nIDC) {
            return RadioGroupAt(tpl.controls, i);
        }
    }
    return {};
}
