// Radio groups of a dialog template: a group runs from a control with the group style up to
// the next one with that style, and its radio buttons are the group's members.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "res/dialog_templates.h"

// Indexes into controls of the radio buttons of the group that starts at controls[first].
std::vector<size_t> RadioGroupAt(std::span<const res::ControlTemplate> controls, size_t first);
// The same for the group that starts with the control nIDC; empty when there is no such control.
std::vector<size_t> RadioGroupOf(const res::DialogTemplate& tpl, int nIDC);
