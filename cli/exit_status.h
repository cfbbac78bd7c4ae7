// velkaro-cli's exit statuses.
#pragma once

enum ExitStatus {
    kExitOk = 0,
    kExitOpenFailed = 1,
    kExitUsage = 2,
    kExitWriteError = 3,
    kExitPortGone = 4,
    kExitOutputFailed = 5,
    // An acceptance run that finished and did not pass.
    kExitNotPassed = 6,
    // 128 plus the signal's number, as shells report a process the signal ended.
    kExitInterrupted = 130,
    kExitTerminated = 143,
};
