#include <windows.h>

#include "serial/serial_error.h"

SystemErrorKind ClassifySystemError(int error) {
    switch (static_cast<DWORD>(error)) {
        case ERROR_OPERATION_ABORTED:
            return SystemErrorKind::Interrupted;
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            return SystemErrorKind::WouldBlock;
        case ERROR_ALREADY_EXISTS:
        case ERROR_FILE_EXISTS:
            return SystemErrorKind::AlreadyExists;
        default:
            return SystemErrorKind::Other;
    }
}

SystemErrorKind LastSystemError() {
    return ClassifySystemError(static_cast<int>(::GetLastError()));
}
