// What the transaction loop costs while it waits, and how soon a reply is parsed.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "bus/testing/log_text.h"
#include "bus/transactions.h"
#include "nodesim/node_sim.h"
#include "serial/serial.h"
#include "worker/testing/recording_console.h"

namespace {

using Clock = std::chrono::steady_clock;

std::unique_ptr<NodeSim> OpenSimulatedBus(AddressSet nodes, NodeSimObserver observer = {}) {
    NodeSimConfig config;
    config.nodes = std::move(nodes);
    config.registerPort = false;
    auto sim = NodeSim::Start(config, std::move(observer));
    g_hComm = SerialOpen(sim->PortPath(), 115200, 8, kSerialParityNone, kSerialOneStopBit);
    return sim;
}

void ClosePort() {
    SerialClose(g_hComm);
    g_hComm = kInvalidSerialHandle;
}

// A poll of the whole address range with no node answering: it waits out 1475 ms. The CPU
// column is what the waiting thread spent.
void BM_GroupStatusWaitsOutItsDeadline(benchmark::State& state) {
    const auto sim = OpenSimulatedBus({});
    RecordingConsole console;
    console.Parameters().m_byMaxAddr = 0xFE;
    for (auto _ : state) {
        GroupGetStatus(console);
    }
    ClosePort();
}
BENCHMARK(BM_GroupStatusWaitsOutItsDeadline)->Iterations(5)->Unit(benchmark::kMillisecond);

// Marks the moment the loop has recognised a frame.
class TimingConsole : public RecordingConsole {
  public:
    std::mutex m_mutex;
    std::vector<Clock::time_point> parsed;

  protected:
    void ApplyLogLine(const LogLine& line) override {
        if (line.text == kLogFrameComplete) {
            std::lock_guard lock(m_mutex);
            parsed.push_back(Clock::now());
        }
    }
};

double Percentile(std::vector<double> values, double fraction) {
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1))];
}

// From a reply's last byte leaving the simulator to the host having parsed the frame.
void BM_ReplyToParsedLatency(benchmark::State& state) {
    std::mutex mutex;
    std::vector<Clock::time_point> written;
    NodeSimObserver observer;
    observer.replyWritten = [&](const ReplyFrame&, Clock::time_point at) {
        std::lock_guard lock(mutex);
        written.push_back(at);
    };
    AddressSet nodes;
    for (int a = 0; a <= 0x0F; ++a) {
        nodes.insert(static_cast<uint8_t>(a));
    }
    const auto sim = OpenSimulatedBus(nodes, observer);
    TimingConsole console;
    console.Parameters().m_byMaxAddr = 0x0F;
    for (auto _ : state) {
        GroupGetStatus(console);
    }
    ClosePort();
    std::vector<double> latencyUs;
    for (std::size_t i = 0; i < std::min(written.size(), console.parsed.size()); ++i) {
        latencyUs.push_back(
            std::chrono::duration<double, std::micro>(console.parsed[i] - written[i]).count());
    }
    state.counters["replies"] = static_cast<double>(latencyUs.size());
    state.counters["p50_us"] = Percentile(latencyUs, 0.50);
    state.counters["p99_us"] = Percentile(latencyUs, 0.99);
    state.counters["max_us"] = Percentile(latencyUs, 1.0);
}
BENCHMARK(BM_ReplyToParsedLatency)->Iterations(200)->Unit(benchmark::kMillisecond);

// Marks the moment the console has shown a poll's end line.
class EndTimingConsole : public RecordingConsole {
  public:
    Clock::time_point endShown;

  protected:
    void ApplyLogLine(const LogLine& line) override {
        if (line.text == "[--完毕：群体获取状态--]") {
            endShown = Clock::now();
        }
        RecordingConsole::ApplyLogLine(line);
    }
};

double MicrosecondsBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::micro>(to - from).count();
}

// A poll of 255 nodes as the window runs it: the poll on its own thread, the console taking
// its lines on this one. From the last node's reply leaving the simulator to the poll having
// returned, and to the console showing the end line.
void BM_PollEndAfterLastReply(benchmark::State& state) {
    std::mutex mutex;
    Clock::time_point lastReply;
    NodeSimObserver observer;
    observer.replyWritten = [&](const ReplyFrame& reply, Clock::time_point at) {
        if (reply[1] == 0xFE) {
            std::lock_guard lock(mutex);
            lastReply = at;
        }
    };
    AddressSet nodes;
    for (int a = 0x00; a <= 0xFE; ++a) {
        nodes.insert(static_cast<uint8_t>(a));
    }
    const auto sim = OpenSimulatedBus(nodes, observer);
    EndTimingConsole console;
    console.Parameters().m_byMaxAddr = 0xFE;
    std::vector<double> returnedUs, shownUs;
    for (auto _ : state) {
        std::atomic<bool> returned{false};
        Clock::time_point returnedAt;
        std::thread poll([&] {
            GroupGetStatus(console);
            returnedAt = Clock::now();
            returned = true;
            console.Queue().Nudge();
        });
        console.Queue().ServeUntil([&] { return returned.load(); });
        poll.join();
        std::lock_guard lock(mutex);
        returnedUs.push_back(MicrosecondsBetween(lastReply, returnedAt));
        shownUs.push_back(MicrosecondsBetween(lastReply, console.endShown));
    }
    ClosePort();
    state.counters["returned_p50_us"] = Percentile(returnedUs, 0.50);
    state.counters["returned_max_us"] = Percentile(returnedUs, 1.0);
    state.counters["shown_p50_us"] = Percentile(shownUs, 0.50);
    state.counters["shown_max_us"] = Percentile(shownUs, 1.0);
}
BENCHMARK(BM_PollEndAfterLastReply)->Iterations(10)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
