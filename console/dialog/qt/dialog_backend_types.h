// The window layer's types and numbers on Qt: stand-ins with Windows' names and values, so
// that the code above the layer reads the same on both backends.
#pragma once

#include <cstddef>
#include <cstdint>

using BOOL = int;
inline constexpr BOOL TRUE = 1;
inline constexpr BOOL FALSE = 0;

using UINT = unsigned int;
using DWORD = uint32_t;
using INT_PTR = intptr_t;
using DWORD_PTR = uintptr_t;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;
using COLORREF = DWORD;  // 0x00BBGGRR

constexpr COLORREF RGB(int r, int g, int b) {
    return static_cast<COLORREF>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}

// An icon resource, loaded once and kept for the life of the process.
struct IconResource;
using HICON = const IconResource*;
using HCURSOR = HICON;

class CDC;
using HDC = CDC*;

// Windows and menus are Qt widgets here.
class QWidget;
using HWND = QWidget*;
class QMenu;
using HMENU = QMenu*;

inline constexpr UINT WM_PAINT = 0x000F;
inline constexpr UINT WM_ICONERASEBKGND = 0x0027;
inline constexpr UINT WM_QUERYDRAGICON = 0x0037;
inline constexpr UINT WM_CONTEXTMENU = 0x007B;
inline constexpr UINT WM_COMMAND = 0x0111;
inline constexpr UINT WM_SYSCOMMAND = 0x0112;
// A device came or went; on Qt the window layer raises it for serial ports (see dialog.h).
inline constexpr UINT WM_DEVICECHANGE = 0x0219;
inline constexpr UINT DBT_DEVICEARRIVAL = 0x8000;
inline constexpr UINT DBT_DEVICEREMOVECOMPLETE = 0x8004;

// Notification code of a button click; menu and accelerator commands carry the same 0.
inline constexpr UINT BN_CLICKED = 0;

inline constexpr UINT SC_CLOSE = 0xF060;

inline constexpr int SW_HIDE = 0;
inline constexpr int SW_SHOW = 5;

inline constexpr UINT ID_HELP = 0xE146;

inline constexpr UINT MF_STRING = 0x0000;
inline constexpr UINT MF_BYCOMMAND = 0x0000;
inline constexpr UINT MF_SEPARATOR = 0x0800;

inline constexpr UINT MB_OK = 0x0000;
inline constexpr UINT MB_ICONEXCLAMATION = 0x0030;
inline constexpr UINT MB_ICONMASK = 0x00F0;

inline constexpr int SM_CXICON = 11;
inline constexpr int SM_CYICON = 12;

inline constexpr int BST_UNCHECKED = 0;
inline constexpr int BST_CHECKED = 1;

inline constexpr int LB_ERR = -1;
inline constexpr int CB_ERR = -1;

inline constexpr DWORD LVS_SHOWSELALWAYS = 0x0008;
inline constexpr DWORD LVS_EX_TRACKSELECT = 0x0008;
inline constexpr DWORD LVS_EX_HEADERDRAGDROP = 0x0010;
inline constexpr DWORD LVS_EX_FULLROWSELECT = 0x0020;
inline constexpr int LVCFMT_LEFT = 0x0000;
inline constexpr int LVCFMT_RIGHT = 0x0001;
inline constexpr int LVCFMT_CENTER = 0x0002;
inline constexpr int LVCFMT_JUSTIFYMASK = 0x0003;
inline constexpr UINT LVIS_FOCUSED = 0x0001;
inline constexpr UINT LVIS_SELECTED = 0x0002;

int GetSystemMetrics(int nIndex);
