// What an operating-system error means to the serial link: only the distinctions its code
// acts on. Everything else is a plain failure.
#pragma once

enum class SystemErrorKind {
    Interrupted,    // a signal cut the call short: make it again
    WouldBlock,     // nothing can move now, or someone else holds the lock
    AlreadyExists,  // the object to create is already there
    Other,
};

SystemErrorKind ClassifySystemError(int error);

// The calling thread's last error, classified.
SystemErrorKind LastSystemError();
