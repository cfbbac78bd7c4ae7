// Version of the executable. Macros for the resource compiler, constants for the program.
#pragma once

#define VELKARO_VERSION_MAJOR 1
#define VELKARO_VERSION_MINOR 0
#define VELKARO_VERSION_PATCH 0
#define VELKARO_VERSION_BUILD 1
#define VELKARO_VERSION_TEXT "1.0.0.1"

#ifndef RC_INVOKED
namespace res {
inline constexpr const char* kVersionText = VELKARO_VERSION_TEXT;
inline constexpr int kVersion[4] = {VELKARO_VERSION_MAJOR, VELKARO_VERSION_MINOR,
                                    VELKARO_VERSION_PATCH, VELKARO_VERSION_BUILD};
}  // namespace res
#endif
