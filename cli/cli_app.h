// velkaro-cli: the operator's operations from a script, on the same core as the window.
#pragma once

#include <ostream>

// Exit status: 0 every operation ran; 1 the port could not be opened; 2 bad usage;
// 3 a write error happened.
int RunCli(int argc, const char* const* argv, std::ostream& out, std::ostream& err);
