// velkaro-cli's exit statuses.
#pragma once

enum ExitStatus {
    EXIT_OK = 0,
    EXIT_OPEN_FAILED = 1,
    EXIT_USAGE = 2,
    EXIT_WRITE_ERROR = 3,
    EXIT_PORT_GONE = 4,
    EXIT_OUTPUT_FAILED = 5,
    // An acceptance run that finished and did not pass.
    EXIT_NOT_PASSED = 6,
    // 128 plus the signal's number, as shells report a process the signal ended.
    EXIT_INTERRUPTED = 130,
    EXIT_TERMINATED = 143,
};
