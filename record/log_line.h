// One line of the operator's log with the wall-clock time at which the worker produced it.
#pragma once

#include <chrono>
#include <string>

using WallClock = std::chrono::system_clock;

struct LogLine {
    WallClock::time_point time;
    std::string text;
};
