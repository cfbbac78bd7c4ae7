// Wall-clock time for the acceptance report: local time with its offset from UTC.
#pragma once

#include <chrono>
#include <string>

// "2026-12-10T14:05:09+08:00".
std::string LocalTimeIso8601(std::chrono::system_clock::time_point when);
