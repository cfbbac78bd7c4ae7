// The dialog templates as plain data, in dialog units. A window layer turns them into real
// windows.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "res/texts.h"

namespace res {

// x, y, width and height in dialog units: a quarter of the dialog font's average character
// width horizontally, an eighth of its height vertically.
struct DialogRect {
    int x;
    int y;
    int cx;
    int cy;
};

enum class ControlKind {
    ListBox,
    ListView,
    GroupBox,
    RadioButton,
    CheckBox,
    Edit,
    Label,
    ComboBox,
    PushButton,
    Icon,
    ProgressBar,
};

// Control styles, one bit each.
namespace ctl {
inline constexpr uint32_t Group = 1u << 0;  // first control of a group; ends the previous one
inline constexpr uint32_t TabStop = 1u << 1;
inline constexpr uint32_t Border = 1u << 2;
inline constexpr uint32_t VScroll = 1u << 3;
inline constexpr uint32_t Notify = 1u << 4;            // list box tells the dialog of clicks
inline constexpr uint32_t NoIntegralHeight = 1u << 5;  // list box keeps its exact height
inline constexpr uint32_t ReportView = 1u << 6;        // list view with columns
inline constexpr uint32_t AlignLeft = 1u << 7;
inline constexpr uint32_t AutoHScroll = 1u << 8;   // edit scrolls instead of limiting the text
inline constexpr uint32_t DropDownList = 1u << 9;  // combo box: pick only, no typing
inline constexpr uint32_t Auto = 1u << 10;         // button changes its own check on a click
inline constexpr uint32_t DefaultButton = 1u << 11;
inline constexpr uint32_t NoPrefix = 1u << 12;  // '&' is shown as it stands, not an access key
}  // namespace ctl

// Dialog window styles, one bit each.
namespace dlg {
inline constexpr uint32_t Popup = 1u << 0;
inline constexpr uint32_t Visible = 1u << 1;
inline constexpr uint32_t Caption = 1u << 2;
inline constexpr uint32_t SysMenu = 1u << 3;
inline constexpr uint32_t SizingBorder = 1u << 4;
inline constexpr uint32_t ModalFrame = 1u << 5;
inline constexpr uint32_t ShellFont = 1u << 6;
inline constexpr uint32_t MinimizeBox = 1u << 7;
inline constexpr uint32_t MaximizeBox = 1u << 8;
// Extended style: the window has a taskbar button of its own.
inline constexpr uint32_t AppWindow = 1u << 0;
}  // namespace dlg

struct ControlTemplate {
    int id;
    ControlKind kind;
    uint32_t style;
    std::optional<TextId> text;  // none for controls without a caption
    DialogRect rect;
    int imageId = 0;  // icon resource shown by an Icon control
};

// Controls are listed in template order, which is also the tab order.
struct DialogTemplate {
    int id;
    uint16_t language;
    TextId title;
    int cx;
    int cy;
    int pointSize;
    const char* faceName;
    uint32_t style;
    uint32_t exStyle;
    std::span<const ControlTemplate> controls;
};

inline constexpr uint16_t kLangChineseSimplified = 0x0804;

// A key that sends a window a command: Ctrl plus `key` (an upper-case letter).
struct Accelerator {
    char key;
    int command;  // sent as a system command, as the system menu's item of that id is
};

// The texts in the language shown now, UTF-8; nullptr for a control without a caption.
const char* ControlText(const ControlTemplate& control);
const char* DialogTitle(const DialogTemplate& dialog);

// nullptr when there is no such template.
const DialogTemplate* FindDialogTemplate(int id);
// The keys of a dialog's window, by the dialog's template id; empty for none.
std::span<const Accelerator> FindAccelerators(int dialogId);

}  // namespace res
