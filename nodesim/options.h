// The command line of velkaro-nodesim.
#pragma once

#include "nodesim/node_sim.h"

namespace CLI {
class App;
}

struct NodeSimOptions {
    NodeSimConfig config;
    bool verbose = false;  // log the frames received and the replies sent on stderr
};

// Adds the simulator's options to `app`; parsing fills `options` and rejects bad values.
void AddNodeSimOptions(CLI::App& app, NodeSimOptions& options);
