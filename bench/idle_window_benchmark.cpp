// What the window costs with the port open and idle: the process's CPU time over 10 s with
// the port worker waiting for a request. Prints its figure; run offscreen or under an X server.
#include <sys/resource.h>

#include <QApplication>
#include <QEventLoop>
#include <QTest>
#include <QTimer>
#include <cstdio>

#include "console/Velkaro.h"
#include "console/VelkaroDlg.h"
#include "nodesim/node_sim.h"
#include "serial/serial.h"

CVelkaroApp theApp;

namespace {

constexpr int kIdleMs = 10'000;

double ProcessCpuMs() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const auto sim = NodeSim::Start(NodeSimConfig{});  // registered: heads the port list
    CVelkaroDlg dlg;
    dlg.Create();
    dlg.SendMessage(WM_COMMAND, IDC_BTN_OPEN_PORT);
    if (!QTest::qWaitFor([] { return g_hComm != kInvalidSerialHandle; }, 5000)) {
        std::fprintf(stderr, "the port did not open\n");
        return 1;
    }
    const double before = ProcessCpuMs();
    // A plain event loop, as the window runs; QTest::qWait would wake every few ms itself.
    QEventLoop idle;
    QTimer::singleShot(kIdleMs, &idle, &QEventLoop::quit);
    idle.exec();
    const double spent = ProcessCpuMs() - before;
    std::printf("window with the port open and idle: %.1f ms CPU over %d ms (%.3f%% of one core)\n",
                spent, kIdleMs, 100.0 * spent / kIdleMs);
    dlg.SendMessage(WM_COMMAND, IDC_BTN_OPEN_PORT);
    return 0;
}
