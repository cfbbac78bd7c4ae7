// What an open, idle port costs: velkaro-cli keeping the port open for 10 s ("wait 10000").
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <string>
#include <vector>

#include "nodesim/node_sim.h"

extern char** environ;

namespace {

double CpuMs(const rusage& usage) {
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

// Runs the command to its end and gives the CPU time it spent, in milliseconds.
double RunForCpuMs(std::vector<std::string> args) {
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
        return -1;
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? CpuMs(usage) : -1;
}

void BM_CliIdlePortFor10s(benchmark::State& state) {
    NodeSimConfig config;
    config.registerPort = false;
    const auto sim = NodeSim::Start(config);
    double cpuMs = 0;
    for (auto _ : state) {
        cpuMs = RunForCpuMs({VELKARO_CLI_PATH, "--port", sim->PortPath(), "wait", "10000"});
    }
    state.counters["child_cpu_ms"] = cpuMs;
}
BENCHMARK(BM_CliIdlePortFor10s)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
