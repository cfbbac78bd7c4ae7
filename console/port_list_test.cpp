// The window's port list follows ports coming and going: simulators started and stopped, and a
// port that goes while it is open.
#include <QComboBox>
#include <chrono>

#include "console/VelkaroDlg.h"
#include "console/console_test_support.h"
#include "nodesim/node_sim.h"
#include "serial/serial.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Lines = std::vector<std::string>;

// Comfortably above the settle time, and what an operator would call at once.
constexpr int kWithinMs = 1000;

class PortListTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(m_dlg.Create());
        // A refill empties the list first.
        QObject::connect(Combo()->model(), &QAbstractItemModel::rowsRemoved,
                         [this] { ++m_refills; });
    }
    void TearDown() override {
        for (auto* flag :
             {&g_bReqGroupStatus, &g_bReqGroupUnlock, &g_bReqSingleUnlock, &g_bReqSingleStatus}) {
            *flag = 0;
        }
    }

    QComboBox* Combo() { return ControlWidget<QComboBox>(m_dlg, IDC_COMBO_PORT); }
    Lines Listed() {
        Lines names;
        for (int i = 0; i < m_dlg.m_cbPort.GetCount(); ++i) {
            std::string name;
            m_dlg.m_cbPort.GetLBText(i, name);
            names.push_back(name);
        }
        return names;
    }
    bool IsListed(const std::string& name) {
        const Lines names = Listed();
        return std::find(names.begin(), names.end(), name) != names.end();
    }
    std::string Selected() { return m_dlg.m_cbPort.GetWindowText(); }
    // Milliseconds until `listed` holds for `name`, or -1 past the limit.
    long MsUntilListed(const std::string& name, bool listed) {
        const auto start = Clock::now();
        if (!QTest::qWaitFor([&] { return IsListed(name) == listed; }, 2 * kWithinMs)) {
            return -1;
        }
        return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    }
    static std::unique_ptr<NodeSim> StartSimulator(bool registerPort = true) {
        NodeSimConfig config;
        config.nodes = {0x00};
        config.registerPort = registerPort;
        return NodeSim::Start(config);
    }

    ScopedPortRegistry ports;
    MessageBoxRecorder boxes;
    CVelkaroDlg m_dlg;
    int m_refills = 0;  // refills of a list that held something
};

TEST_F(PortListTest, SimulatorsStartedAndStoppedComeAndGoWithinASecond) {
    const Lines machinePorts = Listed();
    const std::string selectedBefore = Selected();

    auto first = StartSimulator();
    ASSERT_TRUE(first);
    const long arrivalMs = MsUntilListed(first->PortName(), true);
    EXPECT_GE(arrivalMs, 0);
    EXPECT_LT(arrivalMs, kWithinMs);
    EXPECT_EQ(Listed().front(), first->PortName()) << "registered ports come first, as ever";
    EXPECT_EQ(Selected(), selectedBefore.empty() ? first->PortName() : selectedBefore);

    auto second = StartSimulator();
    ASSERT_TRUE(second);
    EXPECT_LT(MsUntilListed(second->PortName(), true), kWithinMs);
    Lines expected{first->PortName(), second->PortName()};
    expected.insert(expected.end(), machinePorts.begin(), machinePorts.end());
    EXPECT_EQ(Listed(), expected) << "in the usual order";

    const std::string firstName = first->PortName();
    first.reset();
    const long removalMs = MsUntilListed(firstName, false);
    EXPECT_GE(removalMs, 0);
    EXPECT_LT(removalMs, kWithinMs);
    EXPECT_TRUE(IsListed(second->PortName()));
}

TEST_F(PortListTest, SelectionStaysOnItsPortAndAnArrivalIsSelectedWhenNoneIs) {
    auto first = StartSimulator();
    ASSERT_TRUE(first);
    ASSERT_GE(MsUntilListed(first->PortName(), true), 0);
    m_dlg.m_cbPort.SetCurSel(-1);

    auto second = StartSimulator();
    ASSERT_TRUE(second);
    ASSERT_GE(MsUntilListed(second->PortName(), true), 0);
    EXPECT_EQ(Selected(), second->PortName()) << "nothing was selected: the arrival is";

    auto third = StartSimulator();
    ASSERT_TRUE(third);
    ASSERT_GE(MsUntilListed(third->PortName(), true), 0);
    EXPECT_EQ(Selected(), second->PortName()) << "a selection stays on its port";

    const std::string secondName = second->PortName();
    second.reset();
    ASSERT_GE(MsUntilListed(secondName, false), 0);
    EXPECT_EQ(Selected(), "") << "the selected port went: nothing is chosen for the operator";
}

TEST_F(PortListTest, ABurstOfArrivalsFillsTheListOnce) {
    auto earlier = StartSimulator();
    ASSERT_TRUE(earlier);
    ASSERT_GE(MsUntilListed(earlier->PortName(), true), 0);
    m_refills = 0;

    std::vector<std::unique_ptr<NodeSim>> sims;
    for (int i = 0; i < 3; ++i) {
        sims.push_back(StartSimulator());
        ASSERT_TRUE(sims.back());
    }
    ASSERT_GE(MsUntilListed(sims.back()->PortName(), true), 0);
    QTest::qWait(400);

    for (const auto& sim : sims) {
        EXPECT_TRUE(IsListed(sim->PortName()));
    }
    EXPECT_EQ(m_refills, 1);
}

// A port whose device goes while it is open (here its registry entry only, the line still up)
// keeps its entry until it is closed.
TEST_F(PortListTest, TheOpenPortKeepsItsEntryUntilItIsClosed) {
    auto sim = StartSimulator(false);
    ASSERT_TRUE(sim);
    auto entry = std::make_unique<VirtualPortRegistration>("sim", sim->PortName());
    ASSERT_GE(MsUntilListed(sim->PortName(), true), 0);
    m_dlg.m_cbPort.SetCurSel(0);
    ASSERT_EQ(Selected(), sim->PortName());
    m_dlg.SendMessage(WM_COMMAND, IDC_BTN_OPEN_PORT);
    ASSERT_TRUE(QTest::qWaitFor([] { return PortShownOpen(); }, 5000));

    entry.reset();
    QTest::qWait(kWithinMs);
    EXPECT_TRUE(IsListed(sim->PortName()));
    EXPECT_EQ(Selected(), sim->PortName());

    m_dlg.SendMessage(WM_COMMAND, IDC_BTN_OPEN_PORT);
    EXPECT_GE(MsUntilListed(sim->PortName(), false), 0);
    EXPECT_TRUE(boxes.requests.empty());
}

}  // namespace
