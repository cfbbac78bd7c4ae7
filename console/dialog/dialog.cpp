#include "console/dialog/dialog.h"

#include "console/dialog/data_exchange.h"
#include "res/resource.h"

const MessageMapEntry CDialogEx::messageEntries[] = {
    MapCommand(IDOK, &CDialogEx::OnOK),
    MapCommand(IDCANCEL, &CDialogEx::OnCancel),
};
const MessageMap CDialogEx::messageMap = {&CCmdTarget::messageMap, messageEntries};

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
