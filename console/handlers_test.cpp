// The operator's whole flow in the window, against simulated nodes on a pseudo-terminal.
#include <QCloseEvent>
#include <QCoreApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTreeView>
#include <chrono>

#include "console/VelkaroDlg.h"
#include "console/console_test_support.h"
#include "console/testing/event_loop.h"
#include "nodesim/node_sim.h"
#include "serial/serial.h"

namespace {

using namespace std::chrono_literals;
using Lines = std::vector<std::string>;

constexpr int kTransactionTimeoutMs = 20'000;

class OperatorFlowTest : public testing::Test {
  protected:
    void SetUp() override {
        NodeSimConfig config;
        config.nodes = {0x00, 0x01, 0x02, 0x05, 0x09};
        config.openLocks = {0x01};
        m_sim = NodeSim::Start(config);
        ASSERT_TRUE(m_sim);
        m_dlg = std::make_unique<CVelkaroDlg>();
        ASSERT_TRUE(m_dlg->Create());
        ASSERT_EQ(m_dlg->m_cbPort.GetWindowText(), m_sim->PortName())
            << "the simulator heads the list";
    }

    void TearDown() override {
        m_dlg.reset();  // stops the worker and closes the port first
        for (auto* flag :
             {&g_bReqGroupStatus, &g_bReqGroupUnlock, &g_bReqSingleUnlock, &g_bReqSingleStatus}) {
            *flag = 0;
        }
    }

    CVelkaroDlg& Dlg() { return *m_dlg; }
    void Press(int id) { Dlg().SendMessage(WM_COMMAND, static_cast<WPARAM>(id)); }
    void SetField(int id, const char* text) { ControlWidget<QLineEdit>(Dlg(), id)->setText(text); }
    std::string Field(int id) { return ControlWidget<QLineEdit>(Dlg(), id)->text().toStdString(); }
    std::string Cell(int row) { return Dlg().m_lcNodes.GetItemText(row, 1); }
    void Select(int row) { Dlg().m_lcNodes.SetItemState(row, LVIS_SELECTED, LVIS_SELECTED); }

    Lines Log() { return ListBoxLines(Dlg().m_lbLog); }
    std::size_t Count(const std::string& line) {
        const Lines log = Log();
        return static_cast<std::size_t>(std::count(log.begin(), log.end(), line));
    }
    bool WaitForLine(const std::string& line, std::size_t times = 1) {
        return QTest::qWaitFor([&] { return Count(line) >= times; }, kTransactionTimeoutMs);
    }
    // Like WaitForLine, but runs the event loop, which serves each of the worker's window
    // operations as soon as it is posted; qWaitFor sleeps 10 ms between rounds, which
    // stretches a poll of many nodes past its deadline.
    bool ServeUntilLine(const std::string& line) {
        return ServeEventLoopUntil(std::chrono::milliseconds(kTransactionTimeoutMs),
                                   [&] { return Count(line) > 0; });
    }
    void OpenPort() {
        Press(IDC_BTN_OPEN_PORT);
        ASSERT_TRUE(WaitForLine("[串口已打开]"));
        ASSERT_EQ(Dlg().m_btnOpen.GetWindowText(), "关闭串口");
    }

    ScopedPortRegistry ports;
    MessageBoxRecorder boxes;
    std::unique_ptr<NodeSim> m_sim;
    std::unique_ptr<CVelkaroDlg> m_dlg;
};

TEST_F(OperatorFlowTest, NoPortSelectedFailsToOpen) {
    Dlg().m_cbPort.SetCurSel(-1);

    Press(IDC_BTN_OPEN_PORT);
    ASSERT_TRUE(QTest::qWaitFor([this] { return !boxes.requests.empty(); }, kTransactionTimeoutMs));

    EXPECT_EQ(boxes.Texts(), Lines{"串口打开失败"});
    EXPECT_EQ(Dlg().m_btnOpen.GetWindowText(), "打开串口");
    EXPECT_TRUE(Log().empty());
}

TEST_F(OperatorFlowTest, CommandsAndASecondOpenAreRefusedWhileThePortIsOpening) {
    // The worker's first step reads the port list on this thread, so until the test returns
    // to the event loop the worker is still opening.
    Press(IDC_BTN_OPEN_PORT);
    Press(IDC_BTN_OPEN_PORT);
    Press(IDC_BTN_GROUP_STATUS);
    EXPECT_EQ(boxes.Texts(), Lines{"串口尚未打开"});
    EXPECT_EQ(g_bReqGroupStatus, 0u);

    ASSERT_TRUE(WaitForLine("[串口已打开]"));
    QTest::qWait(100);
    EXPECT_EQ(Count("[串口已打开]"), 1u) << "one worker only";
    EXPECT_EQ(boxes.Texts(), Lines{"串口尚未打开"}) << "no second worker found the port taken";
}

TEST_F(OperatorFlowTest, APressDuringItsOwnTransactionRunsItOnce) {
    OpenPort();
    SetField(IDC_EDIT_MAX_ADDR, "0f");  // node 0f is missing: the run lasts its deadline
    Press(IDC_BTN_GROUP_UNLOCK);
    ASSERT_TRUE(WaitForLine("[群体开锁]"));
    Press(IDC_BTN_GROUP_UNLOCK);
    ASSERT_TRUE(WaitForLine("[--完毕：群体开锁--]"));
    QTest::qWait(100);

    EXPECT_EQ(Count("[群体开锁]"), 1u);
}

TEST_F(OperatorFlowTest, AStopDuringATransactionWaitsForIt) {
    OpenPort();
    SetField(IDC_EDIT_MAX_ADDR, "0f");
    Press(IDC_BTN_GROUP_UNLOCK);
    ASSERT_TRUE(WaitForLine("[群体开锁]"));

    Press(IDC_BTN_OPEN_PORT);

    const Lines log = Log();
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[log.size() - 2], "[--完毕：群体开锁--]");
    EXPECT_EQ(log.back(), "[串口已关闭]");
}

TEST_F(OperatorFlowTest, ClosingTheWindowEndsALongUnlockAtOnce) {
    OpenPort();
    SetField(IDC_EDIT_INTERVAL, "255");  // 65 seconds for max address fe
    Press(IDC_BTN_GROUP_UNLOCK);
    ASSERT_TRUE(WaitForLine("[群体开锁]"));

    const auto start = std::chrono::steady_clock::now();
    m_dlg.reset();

    EXPECT_LT(std::chrono::steady_clock::now() - start, 1500ms);
    EXPECT_EQ(g_hComm, kInvalidSerialHandle);
    EXPECT_FALSE(PortWorkerRunning());
    EXPECT_TRUE(boxes.requests.empty());
}

TEST_F(OperatorFlowTest, TheCloseBoxClosesTheWindowWhileTheOpenButtonWaitsForALongUnlock) {
    OpenPort();
    SetField(IDC_EDIT_INTERVAL, "255");
    Press(IDC_BTN_GROUP_UNLOCK);
    ASSERT_TRUE(WaitForLine("[群体开锁]"));
    // The close box, once the open button's handler is waiting for the worker.
    QTimer::singleShot(200, Dlg().GetSafeHwnd(), [this] {
        QCoreApplication::postEvent(Dlg().GetSafeHwnd(), new QCloseEvent);
    });

    const auto start = std::chrono::steady_clock::now();
    Press(IDC_BTN_OPEN_PORT);

    EXPECT_LT(std::chrono::steady_clock::now() - start, 1500ms) << "not the unlock's 65 s";
    EXPECT_FALSE(Dlg().GetSafeHwnd()->isVisible());
    EXPECT_EQ(Log().back(), "[串口已关闭]");
    EXPECT_EQ(Dlg().m_btnOpen.GetWindowText(), "打开串口");
    EXPECT_EQ(g_hComm, kInvalidSerialHandle);
}

// The processor time of the whole process, every thread's.
// An adapter pulled out at any moment of a poll, during an unlock's wait and while idle: the
// window shows it at once, with one box. The processor afterwards is a shared case's.
TEST_F(OperatorFlowTest, APulledAdapterClosesThePortWithOneBox) {
    const struct {
        const char* name;
        int button;  // 0: idle
        const char* title;
    } cases[] = {
        {"during a poll", IDC_BTN_GROUP_STATUS, "[群体获取状态]"},
        {"during an unlock's wait", IDC_BTN_GROUP_UNLOCK, "[群体开锁]"},
        {"idle", 0, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        boxes.requests.clear();
        std::chrono::steady_clock::time_point boxShown{};
        boxes.onPresent = [&](const MessageBoxRequest&) {
            boxShown = std::chrono::steady_clock::now();
        };
        OpenPort();
        SetField(IDC_EDIT_INTERVAL, "255");  // the unlock waits 65 s, the poll 1475 ms
        if (c.button != 0) {
            Press(c.button);
            ASSERT_TRUE(WaitForLine(c.title));
            Select(0x05);
            Press(IDC_BTN_SINGLE_STATUS);  // waits behind it, never to run
            ASSERT_EQ(g_bReqSingleStatus, 1u);
        }
        QTest::qWait(100);

        const auto hungUp = std::chrono::steady_clock::now();
        m_sim->Stop();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !boxes.requests.empty(); }, 5000));
        ASSERT_TRUE(QTest::qWaitFor([] { return !PortWorkerRunning(); }, 5000));

        EXPECT_LT(boxShown - hungUp, 200ms);
        std::printf("hang-up %s: the box after %lld ms\n", c.name,
                    static_cast<long long>((boxShown - hungUp) / 1ms));
        EXPECT_EQ(boxes.Texts(), Lines{"串口已断开"});
        EXPECT_EQ(Dlg().m_btnOpen.GetWindowText(), "打开串口");
        const Lines log = Log();
        ASSERT_GE(log.size(), 3u);
        EXPECT_EQ(log[log.size() - 2], "[串口已断开]");
        EXPECT_EQ(log.back(), "[串口已关闭]");
        EXPECT_EQ(Count("[单点获取状态]"), 0u);
        EXPECT_EQ(g_bReqSingleStatus, 0u) << "a request left set is dropped";
        for (const std::string& line : log) {
            EXPECT_EQ(line.find("[--完毕"), std::string::npos) << "no end line";
        }
    }
}

TEST_F(OperatorFlowTest, WhileATransactionRunsTheCursorShowsItAndTheWindowStaysUsable) {
    QWidget* window = Dlg().GetSafeHwnd();
    OpenPort();
    SetField(IDC_EDIT_MAX_ADDR, "02");
    Press(IDC_BTN_GROUP_STATUS);
    ASSERT_TRUE(WaitForLine("[--完毕：群体获取状态--]"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->cursor().shape() == Qt::ArrowCursor; }));
    QTest::qWait(100);  // the late replies of nodes 05 and 09

    SetField(IDC_EDIT_MAX_ADDR, "fe");
    SetField(IDC_EDIT_INTERVAL, "255");
    Press(IDC_BTN_GROUP_UNLOCK);
    ASSERT_TRUE(WaitForLine("[群体开锁]"));
    EXPECT_EQ(window->cursor().shape(), Qt::BusyCursor);

    QLineEdit* maxAddr = ControlWidget<QLineEdit>(Dlg(), IDC_EDIT_MAX_ADDR);
    maxAddr->selectAll();
    QTest::keyClicks(maxAddr, "07");
    Press(IDC_BTN_GROUP_STATUS);
    EXPECT_EQ(Field(IDC_EDIT_MAX_ADDR), "07");
    EXPECT_EQ(Dlg().m_byMaxAddr, 0x07);
    EXPECT_EQ(g_bReqGroupStatus, 1u) << "taken, to run after the unlock";
    EXPECT_TRUE(boxes.requests.empty());
    EXPECT_EQ(window->cursor().shape(), Qt::BusyCursor);
}

TEST_F(OperatorFlowTest, OutOfRangeOnTimeShowsTheRangeMessageThenTheRunIsRefused) {
    OpenPort();
    SetField(IDC_EDIT_MAX_ON_TIME, "3000");

    Press(IDC_BTN_GROUP_UNLOCK);
    ASSERT_TRUE(WaitForLine("[--完毕：群体开锁--]"));

    EXPECT_EQ(boxes.Texts(), Lines{"请输入一个 0 至 2540 之间的整数。"});
    EXPECT_EQ(Dlg().m_nMaxOnTime, 3000);
    EXPECT_EQ(Count("!!--参数超出范围：开锁最长通电时间 3000ms 不在 0~2540ms 之内，不发送--!!"),
              1u);
    EXPECT_EQ(Count("->串口发送:A5,FF,01,2C,32,00,03"), 0u) << "no wrapped frame";
}

// Presses the left button on a heading, moves in steps to x and lets go there, as a hand does.
void DragHeading(QHeaderView& header, int logicalIndex, int toX) {
    QWidget* target = header.viewport();
    const int y = header.height() / 2;
    const auto send = [target](QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
        QMouseEvent event(type, at, target->mapToGlobal(at), Qt::LeftButton, buttons,
                          Qt::NoModifier);
        QApplication::sendEvent(target, &event);
    };
    const int fromX =
        header.sectionViewportPosition(logicalIndex) + header.sectionSize(logicalIndex) / 2;
    send(QEvent::MouseButtonPress, {fromX, y}, Qt::LeftButton);
    constexpr int kSteps = 8;
    for (int step = 1; step <= kSteps; ++step) {
        send(QEvent::MouseMove, {fromX + (toX - fromX) * step / kSteps, y}, Qt::LeftButton);
    }
    send(QEvent::MouseButtonRelease, {toX, y}, Qt::NoButton);
}

TEST_F(OperatorFlowTest, StatusPollWritesTheStateColumnAfterTheHeadingsAreReordered) {
    auto& view = *static_cast<QTreeView*>(Dlg().m_lcNodes.GetSafeHwnd());
    QHeaderView& header = *view.header();
    DragHeading(header, 1, header.sectionViewportPosition(0) + 5);
    ASSERT_EQ(header.visualIndex(1), 0) << "the state heading stays where it was dropped";
    ASSERT_EQ(header.visualIndex(0), 1);

    OpenPort();
    SetField(IDC_EDIT_MAX_ADDR, "09");
    Press(IDC_BTN_GROUP_STATUS);
    ASSERT_TRUE(ServeUntilLine("[--完毕：群体获取状态--]"));

    // What the operator sees in each row: the state now on the left, the address beside it.
    const int stateX = header.sectionViewportPosition(1) + 5;
    const int addressX = header.sectionViewportPosition(0) + 5;
    const auto shown = [&view](int row, int x) {
        view.scrollTo(view.model()->index(row, 0));
        const int y = view.visualRect(view.model()->index(row, 0)).center().y();
        return view.indexAt({x, y}).data().toString().toStdString();
    };
    const struct {
        int row;
        const char* address;
        const char* state;
    } rows[] = {{0x00, "00", "闭"}, {0x01, "01", "开"}, {0x02, "02", "闭"}, {0x03, "03", "--"},
                {0x05, "05", "闭"}, {0x09, "09", "闭"}, {0x0A, "0A", "--"}};
    for (const auto& r : rows) {
        EXPECT_EQ(shown(r.row, addressX), r.address);
        EXPECT_EQ(shown(r.row, stateX), r.state) << "row " << r.address;
        EXPECT_EQ(Cell(r.row), r.state);
    }
}

}  // namespace
