#include "record/local_conventions.h"

const char* const kTextLineEnd = "\n";

std::tm LocalCalendarTime(std::time_t t) {
    std::tm calendar{};
    localtime_r(&t, &calendar);
    return calendar;
}

// File names are bytes here; UTF-8 ones stay as they are.
std::filesystem::path PathFromUtf8(const std::string& name) {
    return std::filesystem::path(name);
}
