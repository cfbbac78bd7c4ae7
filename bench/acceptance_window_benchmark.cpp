// The acceptance run of 255 nodes from the window: how soon the main window handles a click
// while the run goes, and what a node costs, beside the command line on the same bus. No
// energising time, so nodes follow each other as fast as the bus allows and the window's rows
// change fastest. Times per node are as the simulated nodes saw the unlock frames arrive.
// Prints its figures; run offscreen or under an X server.
#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <vector>

#include "console/Velkaro.h"
#include "console/VelkaroDlg.h"
#include "console/testing/event_loop.h"
#include "nodesim/node_sim.h"
#include "serial/serial.h"

CVelkaroApp theApp;

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kClickPeriodMs = 20;
constexpr std::chrono::minutes kRunTimeout{2};

// The unlock frames' arrival times at the simulated nodes.
class UnlockClock {
  public:
    NodeSimObserver Observer() {
        NodeSimObserver observer;
        observer.hostFrame = [this](const HostFrame& frame, Clock::time_point at) {
            if (frame[2] == CMD_UNLOCK) {
                std::lock_guard lock(m_mutex);
                m_unlocks.push_back(at);
            }
        };
        return observer;
    }
    // Median from one node's unlock to the next's, in ms; 0 with fewer than two.
    double MedianMsPerNode() {
        std::lock_guard lock(m_mutex);
        std::vector<double> gaps;
        for (size_t i = 1; i < m_unlocks.size(); ++i) {
            gaps.push_back(
                std::chrono::duration<double, std::milli>(m_unlocks[i] - m_unlocks[i - 1]).count());
        }
        if (gaps.empty()) {
            return 0;
        }
        std::sort(gaps.begin(), gaps.end());
        return gaps[gaps.size() / 2];
    }
    size_t Count() {
        std::lock_guard lock(m_mutex);
        return m_unlocks.size();
    }

  private:
    std::mutex m_mutex;
    std::vector<Clock::time_point> m_unlocks;
};

NodeSimConfig FullBus(bool registered) {
    NodeSimConfig config;
    config.nodes = *ParseAddressList("00-fe");
    config.openTime = std::chrono::milliseconds(0);
    config.registerPort = registered;
    return config;
}

// Posts a click on the button, as the window system delivers one, and notes how long it waited
// in the window's queue until the button handled it.
class ClickProbe {
  public:
    explicit ClickProbe(QAbstractButton* button) : m_button(button) {
        QObject::connect(button, &QAbstractButton::clicked, button, [this] {
            if (m_pending) {
                m_latenciesMs.push_back(m_sent.nsecsElapsed() / 1e6);
                m_pending = false;
            }
        });
        QObject::connect(&m_timer, &QTimer::timeout, button, [this] { Click(); });
    }
    void Start() { m_timer.start(kClickPeriodMs); }
    void Stop() { m_timer.stop(); }
    double WorstMs() const {
        return m_latenciesMs.empty()
                   ? 0
                   : *std::max_element(m_latenciesMs.begin(), m_latenciesMs.end());
    }
    double MedianMs() {
        if (m_latenciesMs.empty()) {
            return 0;
        }
        std::sort(m_latenciesMs.begin(), m_latenciesMs.end());
        return m_latenciesMs[m_latenciesMs.size() / 2];
    }
    size_t Count() const { return m_latenciesMs.size(); }

  private:
    void Click() {
        if (m_pending) {
            return;  // the last one is still waiting: that wait is measured
        }
        const QPointF centre = QRectF(m_button->rect()).center();
        const QPointF global = m_button->mapToGlobal(centre);
        m_pending = true;
        m_sent.start();
        QCoreApplication::postEvent(
            m_button, new QMouseEvent(QEvent::MouseButtonPress, centre, global, Qt::LeftButton,
                                      Qt::LeftButton, Qt::NoModifier));
        QCoreApplication::postEvent(
            m_button, new QMouseEvent(QEvent::MouseButtonRelease, centre, global, Qt::LeftButton,
                                      Qt::NoButton, Qt::NoModifier));
    }

    QAbstractButton* m_button;
    QTimer m_timer;
    QElapsedTimer m_sent;
    bool m_pending = false;
    std::vector<double> m_latenciesMs;
};

QWidget* Control(CWnd& dialog, int id) {
    return dialog.GetDlgItem(id)->GetSafeHwnd();
}

// The same run from the command line on a bus of its own; its median ms per node.
double CommandLineMsPerNode() {
    UnlockClock unlocks;
    const auto sim = NodeSim::Start(FullBus(false), unlocks.Observer());
    const std::string command = std::string(VELKARO_CLI_PATH) + " --port " + sim->PortPath() +
                                " --max-on-time 0 commission --expect 00-fe > /dev/null";
    std::system(command.c_str());
    return unlocks.MedianMsPerNode();
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    UnlockClock unlocks;
    const auto sim = NodeSim::Start(FullBus(true), unlocks.Observer());  // heads the port list
    CVelkaroDlg dlg;
    dlg.Create();
    static_cast<QLineEdit*>(Control(dlg, IDC_EDIT_MAX_ON_TIME))->setText("0");
    dlg.SendMessage(WM_COMMAND, IDC_BTN_OPEN_PORT);
    if (!ServeEventLoopUntil(kRunTimeout, [] { return g_hComm != kInvalidSerialHandle; })) {
        std::fprintf(stderr, "the port did not open\n");
        return 1;
    }
    dlg.SendMessage(WM_SYSCOMMAND, IDM_ACCEPTANCE);
    CAcceptanceDlg& acceptance = *dlg.AcceptanceDialog();
    static_cast<QLineEdit*>(Control(acceptance, IDC_EDIT_EXPECT))->setText("00-fe");

    ClickProbe probe(static_cast<QAbstractButton*>(Control(dlg, IDC_BTN_GROUP_STATUS)));
    const auto start = Clock::now();
    acceptance.SendMessage(WM_COMMAND, IDC_BTN_START);
    probe.Start();
    const bool ended = ServeEventLoopUntil(kRunTimeout, [&] { return !acceptance.Running(); });
    probe.Stop();
    const double runMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    dlg.SendMessage(WM_COMMAND, IDC_BTN_OPEN_PORT);
    if (!ended || unlocks.Count() != 255) {
        std::fprintf(stderr, "the run did not unlock the 255 nodes\n");
        return 1;
    }
    std::printf("255-node acceptance run from the window, no energising time: %.0f ms\n", runMs);
    std::printf(
        "clicks on the main window during the run: %zu, handled after %.1f ms median, "
        "%.1f ms at worst\n",
        probe.Count(), probe.MedianMs(), probe.WorstMs());
    std::printf("median cost per node: window %.2f ms, command line %.2f ms\n",
                unlocks.MedianMsPerNode(), CommandLineMsPerNode());
    return 0;
}
