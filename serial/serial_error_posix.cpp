#include <cerrno>

#include "serial/serial_error.h"

SystemErrorKind ClassifySystemError(int error) {
    switch (error) {
        case EINTR:
            return SystemErrorKind::Interrupted;
        case EAGAIN:
#if EWOULDBLOCK != EAGAIN
        case EWOULDBLOCK:
#endif
            return SystemErrorKind::WouldBlock;
        case EEXIST:
            return SystemErrorKind::AlreadyExists;
        default:
            return SystemErrorKind::Other;
    }
}

SystemErrorKind LastSystemError() {
    return ClassifySystemError(errno);
}
