#include "console/dialog/data_exchange.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "console/dialog/controls.h"
#include "console/dialog/dialog.h"
#include "console/dialog/text.h"
#include "res/texts.h"

namespace {

// The field is read into a buffer of 64 characters, the last of them the terminator.
constexpr size_t kFieldReadLength = 63;

bool IsScanfSpace(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\v' || c == u'\f' || c == u'\r';
}

bool IsDecimalDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

std::string RangePrompt(int32_t minVal, int32_t maxVal) {
    return res::FormatText(res::TextId::PromptIntegerRange, minVal, maxVal);
}

void ShowPrompt(CDataExchange* pDX, const std::string& text) {
    pDX->m_pDlgWnd->MessageBox(text, nullptr, MB_OK | MB_ICONEXCLAMATION);
}

}  // namespace

std::optional<int32_t> ScanFieldInt(std::string_view utf8Text) {
    const std::u16string text = Utf8ToUtf16(utf8Text).substr(0, kFieldReadLength);
    size_t pos = 0;
    while (pos < text.size() && IsScanfSpace(text[pos])) {
        ++pos;
    }
    bool negative = false;
    if (pos < text.size() && (text[pos] == u'+' || text[pos] == u'-')) {
        negative = text[pos] == u'-';
        ++pos;
    }
    if (pos >= text.size() || !IsDecimalDigit(text[pos])) {
        return std::nullopt;
    }
    // Accumulated as a magnitude and held at just past the 32-bit range, so nothing overflows.
    constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
    int64_t magnitude = 0;
    for (; pos < text.size() && IsDecimalDigit(text[pos]); ++pos) {
        magnitude = std::min(kLimit, magnitude * 10 + (text[pos] - u'0'));
    }
    const int64_t value = negative ? -magnitude : magnitude;
    return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

CDataExchange::CDataExchange(CDialogEx* pDlgWnd, BOOL bSaveAndValidate)
    : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}

CWnd* CDataExchange::PrepareCtrl(int nIDC) {
    CWnd* control = m_pDlgWnd->GetDlgItem(nIDC);
    if (control == nullptr) {
        // A table naming a control its template lacks is a programming error.
        std::fprintf(stderr, "dialog data exchange: the dialog has no control %d\n", nIDC);
        std::abort();
    }
    m_idLastControl = nIDC;
    m_bEditLastControl = false;
    return control;
}

CWnd* CDataExchange::PrepareEditCtrl(int nIDC) {
    CWnd* control = PrepareCtrl(nIDC);
    m_bEditLastControl = true;
    return control;
}

void CDataExchange::Fail() {
    m_bFailed = true;
    CWnd* control = m_pDlgWnd->GetDlgItem(m_idLastControl);
    if (control == nullptr) {
        return;
    }
    control->SetFocus();
    if (m_bEditLastControl) {
        SelectAllTextOf(control->GetSafeHwnd());
    }
}

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl) {
    if (pDX->Failed() || rControl.GetSafeHwnd() != nullptr) {
        return;
    }
    rControl.Attach(pDX->PrepareCtrl(nIDC)->GetSafeHwnd());
}

void DDX_Text(CDataExchange* pDX, int nIDC, std::string& value) {
    if (pDX->Failed()) {
        return;
    }
    CWnd* control = pDX->PrepareEditCtrl(nIDC);
    if (pDX->m_bSaveAndValidate) {
        value = control->GetWindowText();
    } else {
        control->SetWindowText(value);
    }
}

void DDV_MinMaxInt(CDataExchange* pDX, int32_t value, int32_t minVal, int32_t maxVal) {
    if (pDX->Failed() || !pDX->m_bSaveAndValidate || (value >= minVal && value <= maxVal)) {
        return;
    }
    ShowPrompt(pDX, RangePrompt(minVal, maxVal));
    pDX->Fail();
}

namespace ddx_detail {

std::optional<int32_t> ExchangeText(CDataExchange* pDX, int nIDC, int32_t value) {
    if (pDX->Failed()) {
        return std::nullopt;
    }
    CWnd* control = pDX->PrepareEditCtrl(nIDC);
    if (!pDX->m_bSaveAndValidate) {
        control->SetWindowText(std::to_string(value));
        return std::nullopt;
    }
    const std::optional<int32_t> taken = ScanFieldInt(control->GetWindowText());
    if (!taken) {
        ShowPrompt(pDX, res::Text(res::TextId::PromptInteger));
        pDX->Fail();
    }
    return taken;
}

std::optional<int32_t> ExchangeRadio(CDataExchange* pDX, int nIDC, int32_t value) {
    if (pDX->Failed()) {
        return std::nullopt;
    }
    pDX->PrepareCtrl(nIDC);
    const std::vector<CWnd*> group = pDX->m_pDlgWnd->GetRadioGroup(nIDC);
    if (!pDX->m_bSaveAndValidate) {
        for (size_t index = 0; index < group.size(); ++index) {
            SetButtonCheckOf(group[index]->GetSafeHwnd(),
                             static_cast<int32_t>(index) == value ? BST_CHECKED : BST_UNCHECKED);
        }
        return std::nullopt;
    }
    for (size_t index = 0; index < group.size(); ++index) {
        if (ButtonCheckOf(group[index]->GetSafeHwnd()) == BST_CHECKED) {
            return static_cast<int32_t>(index);
        }
    }
    return -1;
}

std::optional<int32_t> ExchangeCheck(CDataExchange* pDX, int nIDC, int32_t value) {
    if (pDX->Failed()) {
        return std::nullopt;
    }
    HWND box = pDX->PrepareCtrl(nIDC)->GetSafeHwnd();
    if (!pDX->m_bSaveAndValidate) {
        // A value other than 0 or 1 clears the box, as an unknown check state does.
        SetButtonCheckOf(box, value == BST_CHECKED ? BST_CHECKED : BST_UNCHECKED);
        return std::nullopt;
    }
    return ButtonCheckOf(box) == BST_CHECKED ? BST_CHECKED : BST_UNCHECKED;
}

}  // namespace ddx_detail
