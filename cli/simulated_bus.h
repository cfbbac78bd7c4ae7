// --simulate: simulated nodes on a virtual serial port, where the system offers one.
#pragma once

#include <functional>
#include <ostream>
#include <string>

// Starts nodes at the addresses listed in `nodes` ("00-0f") and returns what `run` returns for
// the port they answer on. Otherwise gives an exit status with the one-line reason on err.
int RunOnSimulatedBus(const std::string& nodes,
                      const std::function<int(const std::string& port)>& run, std::ostream& err);
