// What the saved record costs: the bus trace per received byte on the port worker's thread,
// and saving a million-line log.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <vector>

#include "record/bus_trace.h"
#include "record/log_file.h"
#include "serial/serial.h"

namespace {

std::string TempPath(const char* name) {
    return (std::filesystem::temp_directory_path() / name).string();
}

// The receive hook with a trace running, fed a 255-node poll's replies byte by byte as the
// transactions read them, flushed after each poll as the worker does. Time per byte.
void BM_TraceCostPerReceivedByte(benchmark::State& state) {
    std::vector<uint8_t> poll;
    for (int address = 0; address <= 0xFE; ++address) {
        const uint8_t reply[] = {0x5A, static_cast<uint8_t>(address), 0x00, 0x00,
                                 static_cast<uint8_t>(0x5A + address)};
        poll.insert(poll.end(), reply, reply + sizeof reply);
    }
    std::string error;
    const std::string path = TempPath("velkaro-trace-benchmark.pcapng");
    if (!StartBusTrace(path, "record_benchmark", "bench", error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    const SerialMonitorHook received = g_pfnSerialRxHook.load();
    for (auto _ : state) {
        for (uint8_t b : poll) {
            received(&b, 1);
        }
        FlushBusTrace();
    }
    StopBusTrace(error);
    std::filesystem::remove(path);
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(poll.size()));
    state.counters["ns_per_byte"] =
        benchmark::Counter(static_cast<double>(state.iterations() * poll.size()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_TraceCostPerReceivedByte)->Unit(benchmark::kMicrosecond);

// Saving a log of a million lines as the window holds them: a poll's lines over and over.
void BM_SaveMillionLineLog(benchmark::State& state) {
    const char* texts[] = {"->已获取完成包", "原始数据为：5A 07 00 00 61 ,时间 37ms",
                           "解析后的参数", "header=5A,addr=07,cmd=00,rsp_param[0]=00"};
    std::vector<LogLine> log;
    log.reserve(1'000'000);
    WallClock::time_point time = WallClock::now();
    for (int i = 0; i < 1'000'000; ++i) {
        time += std::chrono::microseconds(250);
        log.push_back({time, texts[i % 4]});
    }
    const std::string path = TempPath("velkaro-save-benchmark.log");
    for (auto _ : state) {
        std::string error;
        if (!SaveLog(
                path, log.size(), [&log](std::size_t i) { return log[i]; }, error)) {
            state.SkipWithError(error.c_str());
        }
    }
    state.counters["MB"] = static_cast<double>(std::filesystem::file_size(path)) / 1e6;
    std::filesystem::remove(path);
}
BENCHMARK(BM_SaveMillionLineLog)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
