#include "res/dialog_templates.h"

#include "res/resource.h"

namespace res {
namespace {

using enum ControlKind;

constexpr uint32_t kEditStyle = ctl::Border | ctl::AutoHScroll | ctl::TabStop;

constexpr ControlTemplate kMainControls[] = {
    {IDC_LIST_LOG,
     ListBox,
     ctl::Border | ctl::VScroll | ctl::Notify | ctl::NoIntegralHeight | ctl::TabStop,
     nullptr,
     {7, 7, 505, 127}},
    {IDC_LIST_NODES,
     ListView,
     ctl::ReportView | ctl::AlignLeft | ctl::Border | ctl::TabStop,
     nullptr,
     {7, 145, 137, 184}},
    {IDC_STATIC, GroupBox, 0, "锁反馈信号极性(闭合还是断开)", {233, 221, 137, 40}},
    {IDC_RADIO_LOCKED_CLOSED,
     RadioButton,
     ctl::Auto | ctl::Group,
     "锁住闭合(锁住状态为0低电平）",
     {242, 232, 106, 10}},
    {IDC_RADIO_LOCKED_OPEN,
     RadioButton,
     ctl::Auto,
     "锁住断开(锁住状态为1高电平)",
     {242, 244, 108, 10}},
    {IDC_CHECK_FEEDBACK,
     CheckBox,
     ctl::Auto | ctl::TabStop,
     "锁带反馈信号(锁好之后有触点闭合或断开)",
     {233, 205, 143, 10}},
    {IDC_EDIT_MAX_ON_TIME, Edit, kEditStyle, nullptr, {361, 290, 26, 12}},
    {IDC_STATIC, Label, ctl::Group, "开锁最长通电时间(防止烧锁，0~2540ms)", {228, 292, 130, 8}},
    {IDC_EDIT_INTERVAL, Edit, kEditStyle, nullptr, {385, 305, 26, 12}},
    {IDC_STATIC,
     Label,
     ctl::Group,
     "群体开锁前后间隔时间(降低瞬时功率，0~255ms)",
     {228, 307, 153, 8}},
    {IDC_COMBO_PORT,
     ComboBox,
     ctl::DropDownList | ctl::VScroll | ctl::TabStop,
     nullptr,
     {288, 147, 64, 90}},
    {IDC_STATIC, Label, ctl::Group, "串口(115200,8,n,1)", {223, 149, 63, 8}},
    {IDC_BTN_OPEN_PORT, PushButton, ctl::TabStop, "打开串口", {356, 146, 50, 14}},
    {IDC_BTN_GROUP_STATUS, PushButton, ctl::TabStop, "群体获取状态", {150, 162, 60, 14}},
    {IDC_BTN_GROUP_UNLOCK, PushButton, ctl::TabStop, "群体开锁", {150, 186, 60, 14}},
    {IDC_EDIT_MAX_ADDR, Edit, kEditStyle, nullptr, {397, 189, 28, 12}},
    {IDC_STATIC,
     Label,
     ctl::Group,
     "最大地址ID(最后一个节点的ADDR，HEX格式不带0x)",
     {233, 191, 162, 8}},
    {IDC_STATIC, GroupBox, 0, "施工基本情况", {221, 177, 274, 92}},
    {IDC_STATIC, GroupBox, 0, "基本控制参数", {220, 279, 275, 45}},
    {IDC_BTN_SINGLE_STATUS, PushButton, ctl::TabStop, "单点状态获取", {151, 250, 60, 14}},
    {IDC_BTN_SINGLE_UNLOCK, PushButton, ctl::TabStop, "单点开锁", {151, 274, 60, 14}},
};

constexpr ControlTemplate kAboutControls[] = {
    {IDC_STATIC, Icon, 0, nullptr, {14, 14, 21, 20}, IDR_MAINFRAME},
    {IDC_STATIC, Label, ctl::Group | ctl::NoPrefix, "Velkaro，1.0 版", {42, 14, 114, 8}},
    {IDOK, PushButton, ctl::DefaultButton | ctl::Group | ctl::TabStop, "确定", {113, 41, 50, 14}},
};

constexpr ControlTemplate kAcceptanceControls[] = {
    {IDC_STATIC, Label, ctl::Group, "验收地址(HEX格式不带0x，如00-07,10,12-14)", {7, 9, 160, 8}},
    {IDC_EDIT_EXPECT, Edit, kEditStyle, nullptr, {170, 7, 120, 12}},
    {IDC_STATIC, Label, ctl::Group, "柜号", {7, 25, 30, 8}},
    {IDC_EDIT_CABINET, Edit, kEditStyle, nullptr, {40, 23, 110, 12}},
    {IDC_STATIC, Label, ctl::Group, "操作员", {160, 25, 30, 8}},
    {IDC_EDIT_OPERATOR, Edit, kEditStyle, nullptr, {193, 23, 97, 12}},
    {IDC_STATIC, GroupBox, 0, "开锁方式", {7, 39, 150, 26}},
    {IDC_RADIO_MODE_EACH,
     RadioButton,
     ctl::Auto | ctl::Group | ctl::TabStop,
     "逐个开锁",
     {15, 50, 60, 10}},
    {IDC_RADIO_MODE_GROUP, RadioButton, ctl::Auto, "群体开锁", {85, 50, 60, 10}},
    {IDC_STATIC, Label, ctl::Group, "结束后等待关门", {165, 51, 58, 8}},
    {IDC_EDIT_CLOSE_WAIT, Edit, kEditStyle, nullptr, {225, 49, 30, 12}},
    {IDC_STATIC, Label, ctl::Group, "秒(0为不等待，0~3600)", {259, 51, 90, 8}},
    {IDC_BTN_START, PushButton, ctl::TabStop, "开始", {7, 71, 50, 14}},
    {IDC_BTN_STOP, PushButton, ctl::TabStop, "停止", {62, 71, 50, 14}},
    {IDC_PROGRESS_NODES, ProgressBar, ctl::Border, nullptr, {120, 73, 273, 10}},
    {IDC_LIST_RESULTS,
     ListView,
     ctl::ReportView | ctl::AlignLeft | ctl::Border | ctl::TabStop,
     nullptr,
     {7, 91, 386, 150}},
    {IDC_STATIC_VERDICT, Label, ctl::Group | ctl::NoPrefix, nullptr, {7, 246, 100, 24}},
    {IDC_STATIC_SUMMARY, Label, ctl::Group | ctl::NoPrefix, nullptr, {112, 248, 281, 22}},
    {IDC_BTN_SAVE_REPORT, PushButton, ctl::TabStop, "保存报告...", {7, 277, 60, 14}},
    {IDCANCEL, PushButton, ctl::TabStop, "关闭", {343, 277, 50, 14}},
};

constexpr Accelerator kMainAccelerators[] = {
    {'T', IDM_ACCEPTANCE},
};

constexpr DialogTemplate kDialogs[] = {
    {IDD_VELKARO_DIALOG, kLangChineseSimplified, "Velkaro", 520, 336, 9, "MS Shell Dlg",
     dlg::Popup | dlg::Visible | dlg::Caption | dlg::SysMenu | dlg::SizingBorder | dlg::ShellFont,
     dlg::AppWindow, kMainControls},
    {IDD_ABOUTBOX, kLangChineseSimplified, "关于 Velkaro", 170, 62, 9, "MS Shell Dlg",
     dlg::Popup | dlg::Caption | dlg::SysMenu | dlg::ModalFrame | dlg::ShellFont, 0,
     kAboutControls},
    {IDD_ACCEPTANCE, kLangChineseSimplified, "验收测试", 400, 298, 9, "MS Shell Dlg",
     dlg::Popup | dlg::Caption | dlg::SysMenu | dlg::ModalFrame | dlg::ShellFont, 0,
     kAcceptanceControls},
};

}  // namespace

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
