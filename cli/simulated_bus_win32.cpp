#include "cli/exit_status.h"
#include "cli/simulated_bus.h"

// The simulated nodes answer on a pseudo-terminal; Windows has no virtual serial port without
// an extra driver.
int RunOnSimulatedBus(const std::string&, const std::function<int(const std::string& port)>&,
                      std::ostream& err) {
    err << "--simulate needs a virtual serial port, which Windows lacks: connect the bus and "
           "use --port"
        << std::endl;
    return EXIT_USAGE;
}
