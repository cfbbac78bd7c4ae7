#include "console/dialog/dialog.h"

#include "console/dialog/data_exchange.h"
#include "console/dialog/radio_group.h"
#include "console/dialog/win_app.h"
#include "console/dialog/window_system.h"
#include "dialog_backend_state.h"
#include "res/dialog_templates.h"
#include "res/resource.h"

const MessageMapEntry CDialogEx::messageEntries[] = {
    MapCommand(IDOK, &CDialogEx::OnOK),
    MapCommand(IDCANCEL, &CDialogEx::OnCancel),
};
const MessageMap CDialogEx::messageMap = {&CCmdTarget::messageMap, messageEntries};

CDialogEx::CDialogEx(UINT nIDTemplate, CWnd* pParent)
    : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParent) {}

CDialogEx::~CDialogEx() {
    DestroyWindow();
}

HWND CDialogEx::ModalOwner() const {
    for (const CWnd* candidate : {m_pParentWnd, AfxGetMainWnd()}) {
        if (candidate != nullptr && candidate != this && candidate->GetSafeHwnd() != nullptr) {
            return RootWindowOf(candidate->GetSafeHwnd());
        }
    }
    return ActiveWindow();
}

BOOL CDialogEx::Create(CWnd* pParentWnd) {
    CWnd* parent = pParentWnd != nullptr ? pParentWnd : m_pParentWnd;
    return CreateModeless(parent != nullptr ? parent->GetSafeHwnd() : nullptr);
}

void CDialogEx::EndDialog(int nResult) {
    m_nModalResult = nResult;
    m_bEnding = true;
    if (m_hWnd == nullptr) {
        return;
    }
    // A modeless dialog hides; it goes with DestroyWindow.
    if (m_bInModalLoop) {
        EndModalLoop(m_hWnd, nResult);
    } else {
        ShowWindow(SW_HIDE);
    }
}

CMenu* CDialogEx::GetSystemMenu(BOOL) {
    return m_pState ? m_pState->systemMenu.get() : nullptr;
}

std::vector<CWnd*> CDialogEx::GetRadioGroup(int nIDC) const {
    std::vector<CWnd*> radios;
    for (size_t index : RadioGroupOf(*m_pState->tpl, nIDC)) {
        radios.push_back(GetDlgItem(m_pState->tpl->controls[index].id));
    }
    return radios;
}

BOOL CDialogEx::UpdateData(BOOL bSaveAndValidate) {
    CDataExchange dx(this, bSaveAndValidate);
    DoDataExchange(&dx);
    return dx.Failed() ? FALSE : TRUE;
}

BOOL CDialogEx::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

void CDialogEx::OnOK() {
    if (UpdateData(TRUE)) {
        EndDialog(IDOK);
    }
}

void CDialogEx::OnCancel() {
    EndDialog(IDCANCEL);
}

void CDialogEx::DoDataExchange(CDataExchange*) {}

void CDialogEx::ShowTemplateTexts() {
    const res::DialogTemplate& tpl = *res::FindDialogTemplate(m_nIDTemplate);
    SetWindowText(res::DialogTitle(tpl));
    const std::vector<CWnd*> controls = GetTemplateControls();
    for (size_t i = 0; i < controls.size() && i < tpl.controls.size(); ++i) {
        if (const char* text = res::ControlText(tpl.controls[i])) {
            controls[i]->SetWindowText(text);
        }
    }
}
