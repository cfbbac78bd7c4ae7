#include "acceptance/local_time.h"

std::tm LocalCalendarTime(std::time_t t) {
    std::tm calendar{};
    localtime_r(&t, &calendar);
    return calendar;
}

std::tm UtcCalendarTime(std::time_t t) {
    std::tm calendar{};
    gmtime_r(&t, &calendar);
    return calendar;
}
