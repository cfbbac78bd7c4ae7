#include "cli/exit_status.h"
#include "cli/simulated_bus.h"
#include "nodesim/node_sim.h"
#include "res/texts.h"

std::optional<SimulatedBusFailure> RunOnSimulatedBus(
    const std::string& nodes, const std::function<void(const std::string& port)>& run) {
    std::string error;
    const auto addresses = ParseAddressList(nodes, &error);
    if (!addresses) {
        return SimulatedBusFailure{kExitUsage,
                                   res::FormatText(res::TextId::CliBadSimulate, error.c_str())};
    }
    NodeSimConfig config;
    config.nodes = *addresses;
    config.registerPort = false;
    const auto simulator = NodeSim::Start(config, {}, &error);
    if (!simulator) {
        return SimulatedBusFailure{
            kExitOpenFailed, res::FormatText(res::TextId::CliSimulatedBusFailed, error.c_str())};
    }
    run(simulator->PortPath());
    return std::nullopt;
}
