// Wall-clock time for records: local time with its offset from UTC.
#pragma once

#include <chrono>
#include <ctime>
#include <string>

// "2026-12-10T14:05:09+08:00".
std::string LocalTimeIso8601(std::chrono::system_clock::time_point when);

// The broken-down local and UTC times of t; per system.
std::tm LocalCalendarTime(std::time_t t);
std::tm UtcCalendarTime(std::time_t t);
