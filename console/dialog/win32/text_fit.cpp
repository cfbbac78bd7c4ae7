#include "console/dialog/text_fit.h"

#include <commctrl.h>

#include "console/dialog/win32/wide.h"

namespace {

std::wstring WindowTextOf(HWND window) {
    std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(window)), L'\0');
    ::GetWindowTextW(window, text.data(), static_cast<int>(text.size()) + 1);
    return text;
}

int ClientWidth(HWND window) {
    RECT client{};
    ::GetClientRect(window, &client);
    return client.right - client.left;
}

// The width of a text on one line in the control's own font.
class FontMeasure {
  public:
    explicit FontMeasure(HWND control)
        : m_control(control),
          m_dc(::GetDC(control)),
          m_old(::SelectObject(
              m_dc, reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0)))) {}
    ~FontMeasure() {
        ::SelectObject(m_dc, m_old);
        ::ReleaseDC(m_control, m_dc);
    }
    FontMeasure(const FontMeasure&) = delete;
    FontMeasure& operator=(const FontMeasure&) = delete;

    int Width(const std::wstring& text, UINT prefixFlag) const {
        RECT rect{0, 0, 0, 0};
        ::DrawTextW(m_dc, text.c_str(), static_cast<int>(text.size()), &rect,
                    DT_CALCRECT | DT_SINGLELINE | prefixFlag);
        return rect.right - rect.left;
    }
    // The average character width, which the dialog units are made of.
    int AverageCharWidth() const {
        TEXTMETRICW metrics{};
        ::GetTextMetricsW(m_dc, &metrics);
        return metrics.tmAveCharWidth;
    }

  private:
    HWND m_control;
    HDC m_dc;
    HGDIOBJ m_old;
};

// Push buttons, check boxes and radio buttons know the size that shows their caption whole.
TextFit IdealFit(HWND button, const std::wstring& text) {
    SIZE ideal{};
    ::SendMessageW(button, BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&ideal));
    return {Narrow(text), static_cast<int>(ideal.cx), ClientWidth(button)};
}

// The caption sits in the frame's top edge, indented by about a character, the same at its end.
TextFit GroupBoxFit(HWND group, const std::wstring& text) {
    const FontMeasure measure(group);
    const int indent = measure.AverageCharWidth();
    return {Narrow(text), indent + measure.Width(text, 0) + indent, ClientWidth(group)};
}

TextFit LabelFit(HWND label, const std::wstring& text) {
    const UINT prefix = (::GetWindowLongW(label, GWL_STYLE) & SS_NOPREFIX) ? DT_NOPREFIX : 0;
    return {Narrow(text), FontMeasure(label).Width(text, prefix), ClientWidth(label)};
}

bool HasClass(HWND window, const wchar_t* name) {
    wchar_t actual[64];
    return ::GetClassNameW(window, actual, 64) > 0 && ::lstrcmpiW(actual, name) == 0;
}

}  // namespace

std::optional<TextFit> MeasureCaption(HWND control) {
    const std::wstring text = WindowTextOf(control);
    const LONG style = ::GetWindowLongW(control, GWL_STYLE);
    if (HasClass(control, WC_BUTTONW)) {
        switch (style & BS_TYPEMASK) {
            case BS_GROUPBOX:
                return GroupBoxFit(control, text);
            case BS_PUSHBUTTON:
            case BS_DEFPUSHBUTTON:
            case BS_CHECKBOX:
            case BS_AUTOCHECKBOX:
            case BS_RADIOBUTTON:
            case BS_AUTORADIOBUTTON:
                return IdealFit(control, text);
            default:
                return std::nullopt;
        }
    }
    if (HasClass(control, WC_STATICW) && (style & SS_TYPEMASK) == SS_LEFT) {
        return LabelFit(control, text);
    }
    return std::nullopt;
}

std::vector<TextFit> MeasureColumnHeadings(HWND listView) {
    std::vector<TextFit> fits;
    HWND header = HasClass(listView, WC_LISTVIEWW) ? ListView_GetHeader(listView) : nullptr;
    if (header == nullptr) {
        return fits;
    }
    // The header leaves this margin on each side of a heading's text.
    const int margin = static_cast<int>(::SendMessageW(header, HDM_GETBITMAPMARGIN, 0, 0));
    const FontMeasure measure(header);
    const int count = static_cast<int>(::SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
    for (int column = 0; column < count; ++column) {
        wchar_t text[256] = {};
        HDITEMW item{};
        item.mask = HDI_TEXT | HDI_WIDTH;
        item.pszText = text;
        item.cchTextMax = 256;
        ::SendMessageW(header, HDM_GETITEMW, static_cast<WPARAM>(column),
                       reinterpret_cast<LPARAM>(&item));
        const std::wstring heading(text);
        fits.push_back({Narrow(heading), margin + measure.Width(heading, 0) + margin, item.cxy});
    }
    return fits;
}
