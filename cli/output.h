// Writing velkaro-cli's stdout: a write that fails ends the run with its own exit status.
#pragma once

#include <cerrno>
#include <cstring>
#include <ostream>
#include <string>

#include "res/texts.h"

// The one-line reason for a failed write to stdout, from the errno the write left.
inline std::string OutputFailure(int errorNumber) {
    const std::string reason = res::Text(res::TextId::CliCannotWriteStdout);
    return errorNumber == 0 ? reason : reason + ": " + std::strerror(errorNumber);
}

// Writes the text and a line end, flushed; the reason on failure, empty on success.
inline std::string WriteLine(std::ostream& out, const std::string& text) {
    errno = 0;
    out << text << std::endl;
    return out ? std::string() : OutputFailure(errno);
}
