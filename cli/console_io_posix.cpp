#include "cli/console_io.h"

// POSIX streams carry bytes unchanged, and the arguments arrive as the locale's bytes (UTF-8).
void PrepareStandardStreams() {}

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
    return {argv, argv + argc};
}
