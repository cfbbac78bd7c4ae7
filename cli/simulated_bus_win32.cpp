#include "cli/exit_status.h"
#include "cli/simulated_bus.h"
#include "res/texts.h"

// The simulated nodes answer on a pseudo-terminal; Windows has no virtual serial port without
// an extra driver.
std::optional<SimulatedBusFailure> RunOnSimulatedBus(
    const std::string&, const std::function<void(const std::string& port)>&) {
    return SimulatedBusFailure{kExitUsage, res::Text(res::TextId::CliNoSimulateOnWindows)};
}
