#include <iostream>

#include "cli/cli_app.h"
#include "cli/std_streams.h"
#include "process/stop_signals.h"

int main(int argc, char** argv) {
    PrepareStandardStreams();
    const std::vector<std::string> arguments = Utf8Arguments(argc, argv);
    std::vector<const char*> pointers;
    for (const std::string& argument : arguments) {
        pointers.push_back(argument.c_str());
    }
    RunStop stop;
    const StopSignalWatch signals(
        [&stop](int exitStatus, const std::string& reason) { stop.Request(exitStatus, reason); });
    return RunCli(static_cast<int>(pointers.size()), pointers.data(), std::cout, std::cerr, stop);
}
