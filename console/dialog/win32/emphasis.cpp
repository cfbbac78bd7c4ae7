#include "console/dialog/win32/emphasis.h"

namespace {

constexpr wchar_t kFontProperty[] = L"VelkaroEmphasisFont";
// The colour plus one, so that black is not taken for "none".
constexpr wchar_t kColorProperty[] = L"VelkaroEmphasisColor";

HFONT EmphasisFont(HWND hLabel, int pointSize) {
    LOGFONTW font{};
    auto current = reinterpret_cast<HFONT>(::SendMessageW(hLabel, WM_GETFONT, 0, 0));
    ::GetObjectW(current != nullptr ? current : ::GetStockObject(DEFAULT_GUI_FONT), sizeof font,
                 &font);
    HDC screen = ::GetDC(nullptr);
    font.lfHeight = -::MulDiv(pointSize, ::GetDeviceCaps(screen, LOGPIXELSY), 72);
    ::ReleaseDC(nullptr, screen);
    font.lfWidth = 0;
    font.lfWeight = FW_BOLD;
    return ::CreateFontIndirectW(&font);
}

}  // namespace

void SetEmphasisOf(HWND hLabel, COLORREF color, int pointSize) {
    ReleaseEmphasis(hLabel);
    HFONT font = EmphasisFont(hLabel, pointSize);
    ::SetPropW(hLabel, kFontProperty, font);
    ::SetPropW(hLabel, kColorProperty, reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(color) + 1));
    ::SendMessageW(hLabel, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

bool PaintEmphasis(HWND hLabel, HDC hdc) {
    const auto stored = reinterpret_cast<UINT_PTR>(::GetPropW(hLabel, kColorProperty));
    if (stored == 0) {
        return false;
    }
    ::SetTextColor(hdc, static_cast<COLORREF>(stored - 1));
    ::SetBkMode(hdc, TRANSPARENT);
    return true;
}

void ReleaseEmphasis(HWND hLabel) {
    ::RemovePropW(hLabel, kColorProperty);
    if (HANDLE font = ::RemovePropW(hLabel, kFontProperty)) {
        ::SendMessageW(hLabel, WM_SETFONT, 0, FALSE);
        ::DeleteObject(font);
    }
}
