// What differs between the OSes in a saved record: the local calendar and the line end.
#pragma once

#include <ctime>
#include <filesystem>
#include <string>

// The local calendar time of t, in the machine's time zone.
std::tm LocalCalendarTime(std::time_t t);

// The line end of a text file on this OS: LF on Linux, CR LF on Windows.
extern const char* const kTextLineEnd;

// A file name as the operator gave it, UTF-8, as the OS's file functions take it.
std::filesystem::path PathFromUtf8(const std::string& name);
