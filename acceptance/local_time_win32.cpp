#include "acceptance/local_time.h"

std::tm LocalCalendarTime(std::time_t t) {
    std::tm calendar{};
    localtime_s(&calendar, &t);
    return calendar;
}

std::tm UtcCalendarTime(std::time_t t) {
    std::tm calendar{};
    gmtime_s(&calendar, &t);
    return calendar;
}
