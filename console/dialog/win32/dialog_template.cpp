#include "console/dialog/win32/dialog_template.h"

#include <commctrl.h>

#include "console/dialog/text.h"

namespace {

using res::ControlKind;

// The dialog manager's own classes, by atom.
constexpr WORD kButtonClass = 0x0080;
constexpr WORD kEditClass = 0x0081;
constexpr WORD kStaticClass = 0x0082;
constexpr WORD kListBoxClass = 0x0083;
constexpr WORD kComboBoxClass = 0x0085;

// The font's weight, italic flag and character set as a resource script leaves them.
constexpr WORD kFontWeight = 0;
constexpr BYTE kFontItalic = 0;
constexpr BYTE kFontCharset = DEFAULT_CHARSET;

bool Has(const res::ControlTemplate& control, uint32_t style) {
    return (control.style & style) != 0;
}

DWORD ButtonStyle(const res::ControlTemplate& control) {
    const bool automatic = Has(control, res::ctl::Auto);
    switch (control.kind) {
        case ControlKind::RadioButton:
            return automatic ? BS_AUTORADIOBUTTON : BS_RADIOBUTTON;
        case ControlKind::CheckBox:
            return automatic ? BS_AUTOCHECKBOX : BS_CHECKBOX;
        case ControlKind::GroupBox:
            return BS_GROUPBOX;
        default:
            return Has(control, res::ctl::DefaultButton) ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
    }
}

DWORD KindStyle(const res::ControlTemplate& control) {
    switch (control.kind) {
        case ControlKind::ListBox:
            return (Has(control, res::ctl::Notify) ? LBS_NOTIFY : 0) |
                   (Has(control, res::ctl::NoIntegralHeight) ? LBS_NOINTEGRALHEIGHT : 0);
        case ControlKind::ListView:
            return (Has(control, res::ctl::ReportView) ? LVS_REPORT : 0) |
                   (Has(control, res::ctl::AlignLeft) ? LVS_ALIGNLEFT : 0);
        case ControlKind::Edit:
            return ES_LEFT | (Has(control, res::ctl::AutoHScroll) ? ES_AUTOHSCROLL : 0);
        case ControlKind::Label:
            return SS_LEFT | (Has(control, res::ctl::NoPrefix) ? SS_NOPREFIX : 0);
        case ControlKind::Icon:
            return SS_ICON;
        case ControlKind::ComboBox:
            return Has(control, res::ctl::DropDownList) ? CBS_DROPDOWNLIST : CBS_DROPDOWN;
        case ControlKind::ProgressBar:
            return 0;
        default:
            return ButtonStyle(control);
    }
}

}  // namespace

DWORD DialogStyle(const res::DialogTemplate& tpl) {
    struct Bit {
        uint32_t ours;
        DWORD windows;
    };
    static constexpr Bit kBits[] = {
        {res::dlg::Popup, WS_POPUP},
        {res::dlg::Visible, WS_VISIBLE},
        {res::dlg::Caption, WS_CAPTION},
        {res::dlg::SysMenu, WS_SYSMENU},
        {res::dlg::SizingBorder, WS_THICKFRAME},
        {res::dlg::ModalFrame, DS_MODALFRAME},
        {res::dlg::ShellFont, DS_SHELLFONT},
        {res::dlg::MinimizeBox, WS_MINIMIZEBOX},
        {res::dlg::MaximizeBox, WS_MAXIMIZEBOX},
    };
    DWORD style = DS_SETFONT;  // the template always names its font
    for (const Bit& bit : kBits) {
        if (tpl.style & bit.ours) {
            style |= bit.windows;
        }
    }
    return style;
}

DWORD DialogExStyle(const res::DialogTemplate& tpl) {
    return (tpl.exStyle & res::dlg::AppWindow) ? WS_EX_APPWINDOW : 0;
}

DWORD ControlStyle(const res::ControlTemplate& control) {
    return WS_CHILD | WS_VISIBLE | KindStyle(control) |
           (Has(control, res::ctl::Group) ? WS_GROUP : 0) |
           (Has(control, res::ctl::TabStop) ? WS_TABSTOP : 0) |
           (Has(control, res::ctl::Border) ? WS_BORDER : 0) |
           (Has(control, res::ctl::VScroll) ? WS_VSCROLL : 0);
}

DialogTemplateImage::DialogTemplateImage(const res::DialogTemplate& tpl) {
    Word(1);       // dlgVer
    Word(0xFFFF);  // signature: the extended form
    Dword(0);      // helpID
    Dword(DialogExStyle(tpl));
    Dword(DialogStyle(tpl));
    Word(static_cast<WORD>(tpl.controls.size()));
    for (int value : {0, 0, tpl.cx, tpl.cy}) {
        Word(static_cast<WORD>(value));
    }
    Word(0);  // no menu
    Word(0);  // the dialog manager's own window class
    Text(res::DialogTitle(tpl));
    Word(static_cast<WORD>(tpl.pointSize));
    Word(kFontWeight);
    Word(static_cast<WORD>(kFontItalic | (kFontCharset << 8)));
    Text(tpl.faceName);
    for (const res::ControlTemplate& control : tpl.controls) {
        Control(control);
    }
}

void DialogTemplateImage::Dword(DWORD value) {
    Word(LOWORD(value));
    Word(HIWORD(value));
}

void DialogTemplateImage::Text(const char* utf8) {
    for (char16_t unit : Utf8ToUtf16(utf8 != nullptr ? utf8 : "")) {
        Word(unit);
    }
    Word(0);
}

void DialogTemplateImage::Ordinal(WORD value) {
    Word(0xFFFF);
    Word(value);
}

void DialogTemplateImage::AlignToDword() {
    if (m_words.size() % 2 != 0) {
        Word(0);
    }
}

void DialogTemplateImage::Control(const res::ControlTemplate& control) {
    AlignToDword();
    Dword(0);  // helpID
    Dword(0);  // exStyle
    Dword(ControlStyle(control));
    for (int value : {control.rect.x, control.rect.y, control.rect.cx, control.rect.cy}) {
        Word(static_cast<WORD>(value));
    }
    Dword(static_cast<DWORD>(control.id));
    switch (control.kind) {
        case ControlKind::ListBox:
            Ordinal(kListBoxClass);
            break;
        case ControlKind::ListView:
            Text("SysListView32");
            break;
        case ControlKind::ProgressBar:
            Text("msctls_progress32");
            break;
        case ControlKind::Edit:
            Ordinal(kEditClass);
            break;
        case ControlKind::Label:
        case ControlKind::Icon:
            Ordinal(kStaticClass);
            break;
        case ControlKind::ComboBox:
            Ordinal(kComboBoxClass);
            break;
        default:
            Ordinal(kButtonClass);
            break;
    }
    if (control.kind == ControlKind::Icon) {
        Ordinal(static_cast<WORD>(control.imageId));  // the icon resource it shows
    } else {
        Text(res::ControlText(control));
    }
    Word(0);  // no creation data
}
