#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include "cli/std_streams.h"

// POSIX streams carry bytes unchanged, and the arguments arrive as the locale's bytes (UTF-8).
// What is left to do makes every failure of the standard streams an error the run reports.
void PrepareStandardStreams() {
    // A descriptor 0 to 2 the parent left closed would be the next one opened, the port's, and
    // the log would go onto the bus. /dev/null opened for reading holds the place, and writing
    // to it fails as writing to a closed stream does.
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (fcntl(fd, F_GETFD) < 0) {
            open("/dev/null", O_RDONLY);
        }
    }
    // A reader that went away then makes the write fail with EPIPE, and the run ends cleanly
    // on it instead of being killed with the port still set up.
    signal(SIGPIPE, SIG_IGN);
}

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
    return {argv, argv + argc};
}
