// velkaro-cli: the operator's operations from a script, on the same core as the window.
#pragma once

#include <ostream>

#include "cli/run_stop.h"

// Runs one command line; the exit statuses are in cli/exit_status.h. A stop requested through
// `stop` ends the run early, as closing the window does.
int RunCli(int argc, const char* const* argv, std::ostream& out, std::ostream& err, RunStop& stop);
