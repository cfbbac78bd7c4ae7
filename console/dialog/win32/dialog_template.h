// A dialog template of res/ as the dialog manager takes it: an in-memory DLGTEMPLATEEX with
// one DLGITEMTEMPLATEEX per control, in template order.
#pragma once

#include <windows.h>

#include <vector>

#include "res/dialog_templates.h"

// The template's bytes, DWORD-aligned as the dialog manager needs them.
class DialogTemplateImage {
  public:
    explicit DialogTemplateImage(const res::DialogTemplate& tpl);
    LPCDLGTEMPLATEW Get() const { return reinterpret_cast<LPCDLGTEMPLATEW>(m_words.data()); }

  private:
    void Word(WORD value) { m_words.push_back(value); }
    void Dword(DWORD value);
    void Text(const char* utf8);
    void Ordinal(WORD value);
    void AlignToDword();
    void Control(const res::ControlTemplate& control);

    std::vector<WORD> m_words;
};

DWORD DialogStyle(const res::DialogTemplate& tpl);
DWORD DialogExStyle(const res::DialogTemplate& tpl);
DWORD ControlStyle(const res::ControlTemplate& control);
