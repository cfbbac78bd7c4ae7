#include "res/dialog_templates.h"

#include "res/resource.h"

namespace res {
namespace {

using enum ControlKind;
using enum TextId;

constexpr uint32_t kEditStyle = ctl::Border | ctl::AutoHScroll | ctl::TabStop;

constexpr ControlTemplate kMainControls[] = {
    {IDC_LIST_LOG,
     ListBox,
     ctl::Border | ctl::VScroll | ctl::Notify | ctl::NoIntegralHeight | ctl::TabStop,
     std::nullopt,
     {7, 7, 505, 127}},
    {IDC_LIST_NODES,
     ListView,
     ctl::ReportView | ctl::AlignLeft | ctl::Border | ctl::TabStop,
     std::nullopt,
     {7, 145, 137, 184}},
    {IDC_STATIC, GroupBox, 0, GroupPolarity, {233, 221, 137, 40}},
    {IDC_RADIO_LOCKED_CLOSED,
     RadioButton,
     ctl::Auto | ctl::Group,
     RadioLockedClosed,
     {242, 232, 106, 10}},
    {IDC_RADIO_LOCKED_OPEN, RadioButton, ctl::Auto, RadioLockedOpen, {242, 244, 108, 10}},
    {IDC_CHECK_FEEDBACK, CheckBox, ctl::Auto | ctl::TabStop, CheckFeedback, {233, 205, 143, 10}},
    {IDC_EDIT_MAX_ON_TIME, Edit, kEditStyle, std::nullopt, {361, 290, 26, 12}},
    {IDC_STATIC, Label, ctl::Group, LabelMaxOnTime, {228, 292, 130, 8}},
    {IDC_EDIT_INTERVAL, Edit, kEditStyle, std::nullopt, {385, 305, 26, 12}},
    {IDC_STATIC, Label, ctl::Group, LabelInterval, {228, 307, 153, 8}},
    {IDC_COMBO_PORT,
     ComboBox,
     ctl::DropDownList | ctl::VScroll | ctl::TabStop,
     std::nullopt,
     {288, 147, 64, 90}},
    {IDC_STATIC, Label, ctl::Group, LabelPort, {223, 149, 63, 8}},
    {IDC_BTN_OPEN_PORT, PushButton, ctl::TabStop, OpenPortButton, {356, 146, 50, 14}},
    {IDC_BTN_GROUP_STATUS, PushButton, ctl::TabStop, ButtonGroupStatus, {150, 162, 60, 14}},
    {IDC_BTN_GROUP_UNLOCK, PushButton, ctl::TabStop, GroupUnlock, {150, 186, 60, 14}},
    {IDC_EDIT_MAX_ADDR, Edit, kEditStyle, std::nullopt, {397, 189, 28, 12}},
    {IDC_STATIC, Label, ctl::Group, LabelMaxAddress, {233, 191, 162, 8}},
    {IDC_STATIC, GroupBox, 0, GroupSite, {221, 177, 274, 92}},
    {IDC_STATIC, GroupBox, 0, GroupControl, {220, 279, 275, 45}},
    {IDC_BTN_SINGLE_STATUS, PushButton, ctl::TabStop, ButtonSingleStatus, {151, 250, 60, 14}},
    {IDC_BTN_SINGLE_UNLOCK, PushButton, ctl::TabStop, ButtonSingleUnlock, {151, 274, 60, 14}},
};

constexpr ControlTemplate kAboutControls[] = {
    {IDC_STATIC, Icon, 0, std::nullopt, {14, 14, 21, 20}, IDR_MAINFRAME},
    {IDC_STATIC, Label, ctl::Group | ctl::NoPrefix, AboutVersion, {42, 14, 114, 8}},
    {IDOK, PushButton, ctl::DefaultButton | ctl::Group | ctl::TabStop, ButtonOk, {113, 41, 50, 14}},
};

constexpr ControlTemplate kAcceptanceControls[] = {
    {IDC_STATIC, Label, ctl::Group, LabelExpect, {7, 9, 160, 8}},
    {IDC_EDIT_EXPECT, Edit, kEditStyle, std::nullopt, {170, 7, 120, 12}},
    {IDC_STATIC, Label, ctl::Group, LabelCabinet, {7, 25, 30, 8}},
    {IDC_EDIT_CABINET, Edit, kEditStyle, std::nullopt, {40, 23, 110, 12}},
    {IDC_STATIC, Label, ctl::Group, LabelOperator, {160, 25, 30, 8}},
    {IDC_EDIT_OPERATOR, Edit, kEditStyle, std::nullopt, {193, 23, 97, 12}},
    {IDC_STATIC, GroupBox, 0, GroupMode, {7, 39, 150, 26}},
    {IDC_RADIO_MODE_EACH,
     RadioButton,
     ctl::Auto | ctl::Group | ctl::TabStop,
     RadioModeEach,
     {15, 50, 60, 10}},
    {IDC_RADIO_MODE_GROUP, RadioButton, ctl::Auto, GroupUnlock, {85, 50, 60, 10}},
    {IDC_STATIC, Label, ctl::Group, LabelCloseWait, {165, 51, 58, 8}},
    {IDC_EDIT_CLOSE_WAIT, Edit, kEditStyle, std::nullopt, {225, 49, 30, 12}},
    {IDC_STATIC, Label, ctl::Group, LabelSeconds, {259, 51, 90, 8}},
    {IDC_BTN_START, PushButton, ctl::TabStop, ButtonStart, {7, 71, 50, 14}},
    {IDC_BTN_STOP, PushButton, ctl::TabStop, ButtonStop, {62, 71, 50, 14}},
    {IDC_PROGRESS_NODES, ProgressBar, ctl::Border, std::nullopt, {120, 73, 273, 10}},
    {IDC_LIST_RESULTS,
     ListView,
     ctl::ReportView | ctl::AlignLeft | ctl::Border | ctl::TabStop,
     std::nullopt,
     {7, 91, 386, 150}},
    {IDC_STATIC_VERDICT, Label, ctl::Group | ctl::NoPrefix, std::nullopt, {7, 246, 100, 24}},
    {IDC_STATIC_SUMMARY, Label, ctl::Group | ctl::NoPrefix, std::nullopt, {112, 248, 281, 22}},
    {IDC_BTN_SAVE_REPORT, PushButton, ctl::TabStop, ButtonSaveReport, {7, 277, 60, 14}},
    {IDCANCEL, PushButton, ctl::TabStop, ButtonClose, {343, 277, 50, 14}},
};

constexpr Accelerator kMainAccelerators[] = {
    {'T', IDM_ACCEPTANCE},
};

constexpr DialogTemplate kDialogs[] = {
    {IDD_VELKARO_DIALOG, kLangChineseSimplified, DlgMainTitle, 520, 336, 9, "MS Shell Dlg",
     dlg::Popup | dlg::Visible | dlg::Caption | dlg::SysMenu | dlg::SizingBorder | dlg::ShellFont,
     dlg::AppWindow, kMainControls},
    {IDD_ABOUTBOX, kLangChineseSimplified, DlgAboutTitle, 170, 62, 9, "MS Shell Dlg",
     dlg::Popup | dlg::Caption | dlg::SysMenu | dlg::ModalFrame | dlg::ShellFont, 0,
     kAboutControls},
    {IDD_ACCEPTANCE, kLangChineseSimplified, DlgAcceptanceTitle, 400, 298, 9, "MS Shell Dlg",
     dlg::Popup | dlg::Caption | dlg::SysMenu | dlg::ModalFrame | dlg::ShellFont, 0,
     kAcceptanceControls},
};

}  // namespace

const char* ControlText(const ControlTemplate& control) {
    return control.text ? Text(*control.text) : nullptr;
}

const char* DialogTitle(const DialogTemplate& dialog) {
    return Text(dialog.title);
}

const DialogTemplate* FindDialogTemplate(int id) {
    for (const DialogTemplate& dialog : kDialogs) {
        if (dialog.id == id) {
            return &dialog;
        }
    }
    return nullptr;
}

std::span<const Accelerator> FindAccelerators(int dialogId) {
    if (dialogId == IDD_VELKARO_DIALOG) {
        return kMainAccelerators;
    }
    return {};
}

}  // namespace res
