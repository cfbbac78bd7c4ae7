// The acceptance cabinet that the window's tests run on Linux; scripts/wine/tests.sh starts the
// same one (acceptance_cabinet) for the wine run.
#pragma once

#include <chrono>

#include "nodesim/node_sim.h"

inline NodeSimConfig AcceptanceCabinet() {
    NodeSimConfig config;
    config.nodes = {0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07};
    config.jammed = {0x03};
    config.silent = {0x05};
    config.closeAfter = std::chrono::seconds(2);
    return config;
}
