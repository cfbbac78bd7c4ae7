#include "cli/exit_status.h"
#include "cli/simulated_bus.h"
#include "nodesim/node_sim.h"

int RunOnSimulatedBus(const std::string& nodes,
                      const std::function<int(const std::string& port)>& run, std::ostream& err) {
    std::string error;
    const auto addresses = ParseAddressList(nodes, &error);
    if (!addresses) {
        err << "--simulate: " << error << std::endl;
        return EXIT_USAGE;
    }
    NodeSimConfig config;
    config.nodes = *addresses;
    config.registerPort = false;
    const auto simulator = NodeSim::Start(config, {}, &error);
    if (!simulator) {
        err << "the simulated bus could not start: " << error << std::endl;
        return EXIT_OPEN_FAILED;
    }
    return run(simulator->PortPath());
}
