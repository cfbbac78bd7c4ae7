// velkaro-cli's exit statuses.
#pragma once

enum ExitStatus { EXIT_OK = 0, EXIT_OPEN_FAILED = 1, EXIT_USAGE = 2, EXIT_WRITE_ERROR = 3 };
