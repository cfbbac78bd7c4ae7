// --simulate: simulated nodes on a virtual serial port, where the system offers one.
#pragma once

#include <functional>
#include <optional>
#include <string>

struct SimulatedBusFailure {
    int exitStatus;
    std::string reason;  // one line
};

// Starts nodes at the addresses listed in `nodes` ("00-0f") and calls `run` with the port they
// answer on, while they run. Otherwise says why not.
std::optional<SimulatedBusFailure> RunOnSimulatedBus(
    const std::string& nodes, const std::function<void(const std::string& port)>& run);
