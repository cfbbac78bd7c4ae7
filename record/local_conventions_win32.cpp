#include "record/local_conventions.h"

const char* const kTextLineEnd = "\r\n";

std::tm LocalCalendarTime(std::time_t t) {
    std::tm calendar{};
    localtime_s(&calendar, &t);
    return calendar;
}

// Windows names files in UTF-16: the UTF-8 name is converted, not read in the ANSI code page.
std::filesystem::path PathFromUtf8(const std::string& name) {
    return std::filesystem::path(std::u8string(name.begin(), name.end()));
}
