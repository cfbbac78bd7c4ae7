// Takes the README's picture of the acceptance dialog on Linux: a run over eight simulated
// nodes, the lock of 03 jammed and node 05 silent, finished with its failure shown; the dialog
// is saved as a PNG. Usage: acceptance_screenshot out.png (offscreen or under an X server).
#include <QApplication>
#include <QLineEdit>
#include <QPixmap>
#include <cstdio>

#include "console/Velkaro.h"
#include "console/VelkaroDlg.h"
#include "console/testing/event_loop.h"
#include "nodesim/node_sim.h"
#include "serial/serial.h"

CVelkaroApp theApp;

namespace {

constexpr std::chrono::seconds kWaitLimit{30};

void SetField(CWnd& dialog, int id, const char* text) {
    static_cast<QLineEdit*>(dialog.GetDlgItem(id)->GetSafeHwnd())->setText(QString::fromUtf8(text));
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: acceptance_screenshot out.png\n");
        return 2;
    }
    NodeSimConfig config;
    config.nodes = *ParseAddressList("00-07");
    config.jammed = {0x03};
    config.silent = {0x05};
    const auto sim = NodeSim::Start(config);  // registered: heads the port list
    CVelkaroDlg dlg;
    dlg.Create();
    SetField(dlg, IDC_EDIT_MAX_ADDR, "07");
    dlg.SendMessage(WM_COMMAND, IDC_BTN_OPEN_PORT);
    if (!ServeEventLoopUntil(kWaitLimit, [] { return g_hComm != kInvalidSerialHandle; })) {
        std::fprintf(stderr, "the port did not open\n");
        return 1;
    }
    dlg.SendMessage(WM_SYSCOMMAND, IDM_ACCEPTANCE);
    CAcceptanceDlg& acceptance = *dlg.AcceptanceDialog();
    SetField(acceptance, IDC_EDIT_CABINET, "A-017");
    SetField(acceptance, IDC_EDIT_OPERATOR, "张三");
    acceptance.SendMessage(WM_COMMAND, IDC_BTN_START);
    if (!ServeEventLoopUntil(kWaitLimit, [&] { return !acceptance.Running(); })) {
        std::fprintf(stderr, "the run did not end\n");
        return 1;
    }
    const bool saved = acceptance.GetSafeHwnd()->grab().save(QString::fromLocal8Bit(argv[1]));
    dlg.SendMessage(WM_COMMAND, IDC_BTN_OPEN_PORT);
    return saved ? 0 : 1;
}
