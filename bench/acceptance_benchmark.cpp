// The acceptance run's pace against its physical bounds: one node after another in `each`,
// and the start of the poll after the group unlock in `group`. Times are as the simulated
// nodes saw the frames arrive.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <vector>

#include "acceptance/acceptance_run.h"
#include "nodesim/node_sim.h"
#include "serial/serial.h"
#include "worker/testing/recording_console.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kGoodNodes = 8;

struct Arrival {
    HostFrame frame;
    Clock::time_point at;
};

class Cabinet {
  public:
    Cabinet() {
        NodeSimConfig config;
        config.nodes = *ParseAddressList("00-07");
        config.registerPort = false;
        NodeSimObserver observer;
        observer.hostFrame = [this](const HostFrame& frame, Clock::time_point at) {
            std::lock_guard lock(m_mutex);
            m_arrivals.push_back({frame, at});
        };
        m_sim = NodeSim::Start(config, observer);
        g_hComm = SerialOpen(m_sim->PortPath(), 115200, 8, kSerialParityNone, kSerialOneStopBit);
    }
    ~Cabinet() {
        SerialClose(g_hComm);
        g_hComm = kInvalidSerialHandle;
    }

    // Runs the acceptance of the eight nodes; the frames that arrived meanwhile.
    std::vector<Arrival> Run(AcceptanceMode mode) {
        {
            std::lock_guard lock(m_mutex);
            m_arrivals.clear();
        }
        m_sim->CloseAll();
        AcceptanceRequest request;
        request.expected = *ParseAddressList("00-07");
        request.settings.maxAddr = 0x07;
        request.settings.mode = mode;
        RecordingConsole console;
        if (!RunAcceptance(console, request).passed) {
            return {};
        }
        std::lock_guard lock(m_mutex);
        return m_arrivals;
    }

  private:
    std::unique_ptr<NodeSim> m_sim;
    std::mutex m_mutex;
    std::vector<Arrival> m_arrivals;
};

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

bool IsUnlock(const Arrival& a) {
    return a.frame[2] == CMD_UNLOCK;
}

// Median time from one node's unlock to the next node's unlock, 8 good nodes, the defaults.
// Bound: the 500 ms energising time plus two exchanges of a few milliseconds.
void BM_EachCostPerNode(benchmark::State& state) {
    Cabinet cabinet;
    std::vector<double> perNode;
    for (auto _ : state) {
        std::vector<Clock::time_point> unlocks;
        for (const Arrival& a : cabinet.Run(AcceptanceMode::Each)) {
            if (IsUnlock(a)) {
                unlocks.push_back(a.at);
            }
        }
        if (unlocks.size() != kGoodNodes) {
            state.SkipWithError("the run did not unlock the eight nodes");
            return;
        }
        for (std::size_t i = 1; i < unlocks.size(); ++i) {
            perNode.push_back(Ms(unlocks[i] - unlocks[i - 1]));
        }
    }
    state.counters["median_ms_per_node"] = Median(perNode);
    state.counters["over_energising_ms"] = Median(perNode) - 500;
}
BENCHMARK(BM_EachCostPerNode)->Iterations(3)->Unit(benchmark::kMillisecond);

// How long after the rule allows it (unlock + 8 × 50 ms + 500 ms) the group poll arrives.
void BM_GroupPollStart(benchmark::State& state) {
    Cabinet cabinet;
    std::vector<double> late;
    for (auto _ : state) {
        const std::vector<Arrival> arrivals = cabinet.Run(AcceptanceMode::Group);
        if (arrivals.size() != 3 || !IsUnlock(arrivals[1])) {
            state.SkipWithError("the run did not send scan, unlock and poll");
            return;
        }
        const auto allowed = arrivals[1].at + std::chrono::milliseconds(kGoodNodes * 50 + 500);
        late.push_back(Ms(arrivals[2].at - allowed));
    }
    state.counters["median_ms_after_rule"] = Median(late);
    state.counters["worst_ms_after_rule"] = *std::max_element(late.begin(), late.end());
}
BENCHMARK(BM_GroupPollStart)->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
