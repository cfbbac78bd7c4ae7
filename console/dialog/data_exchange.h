// Dialog data exchange: DDX_ functions move a value between a control and a member, in the
// direction of CDataExchange::m_bSaveAndValidate, and DDV_ functions check a value just taken.
// The first failure shows its message, puts the focus on the control and ends the exchange:
// every later DDX_/DDV_ call of that exchange does nothing.
#pragma once

#include <atomic>
#include <concepts>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "console/dialog/types.h"

class CDialogEx;
class CWnd;

class CDataExchange {
  public:
    CDataExchange(CDialogEx* pDlgWnd, BOOL bSaveAndValidate);

    // The control nIDC, which becomes the one a later failure puts the focus on.
    CWnd* PrepareCtrl(int nIDC);
    CWnd* PrepareEditCtrl(int nIDC);
    // Focus on the last prepared control (its whole text selected if it is an edit field);
    // ends the exchange.
    void Fail();
    bool Failed() const { return m_bFailed; }

    const BOOL m_bSaveAndValidate;
    CDialogEx* const m_pDlgWnd;

  private:
    int m_idLastControl = 0;
    bool m_bEditLastControl = false;
    bool m_bFailed = false;
};

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);
void DDX_Text(CDataExchange* pDX, int nIDC, std::string& value);
void DDV_MinMaxInt(CDataExchange* pDX, int32_t value, int32_t minVal, int32_t maxVal);

// What "%d" reads from a field: the first 63 characters, leading white space skipped, an
// optional sign, then decimal digits up to the first other character. nullopt when no digit
// follows. A number beyond the 32-bit range reads as the nearest end of that range, so the
// range check that follows rejects it.
std::optional<int32_t> ScanFieldInt(std::string_view utf8Text);

namespace ddx_detail {
// Each returns the value taken from the control when saving; nullopt when loading or failed.
std::optional<int32_t> ExchangeText(CDataExchange* pDX, int nIDC, int32_t value);
std::optional<int32_t> ExchangeRadio(CDataExchange* pDX, int nIDC, int32_t value);
std::optional<int32_t> ExchangeCheck(CDataExchange* pDX, int nIDC, int32_t value);
}  // namespace ddx_detail

// The integer members may be plain or atomic: the port worker reads some of them while the
// window's thread writes them.
template <class T>
concept Int32Member = std::same_as<T, int32_t> || std::same_as<T, std::atomic<int32_t>>;

template <Int32Member T>
void DDX_Text(CDataExchange* pDX, int nIDC, T& value) {
    if (auto taken = ddx_detail::ExchangeText(pDX, nIDC, value)) {
        value = *taken;
    }
}

// The radio group starting at nIDC: value is the index of the ticked button, -1 for none.
template <Int32Member T>
void DDX_Radio(CDataExchange* pDX, int nIDC, T& value) {
    if (auto taken = ddx_detail::ExchangeRadio(pDX, nIDC, value)) {
        value = *taken;
    }
}

template <Int32Member T>
void DDX_Check(CDataExchange* pDX, int nIDC, T& value) {
    if (auto taken = ddx_detail::ExchangeCheck(pDX, nIDC, value)) {
        value = *taken;
    }
}
