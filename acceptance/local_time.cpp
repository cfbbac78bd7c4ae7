#include "acceptance/local_time.h"

#include <cstdio>
#include <cstdlib>

namespace {

// Seconds that local time is ahead of UTC, from the two calendars of one instant; they are at
// most a day apart.
long UtcOffsetSeconds(const std::tm& local, const std::tm& utc) {
    long days = local.tm_yday - utc.tm_yday;
    if (local.tm_year != utc.tm_year) {
        days = local.tm_year > utc.tm_year ? 1 : -1;
    }
    return ((days * 24 + local.tm_hour - utc.tm_hour) * 60 + local.tm_min - utc.tm_min) * 60 +
           local.tm_sec - utc.tm_sec;
}

}  // namespace

std::string LocalTimeIso8601(std::chrono::system_clock::time_point when) {
    const std::time_t t = std::chrono::system_clock::to_time_t(when);
    const std::tm local = LocalCalendarTime(t);
    const long offset = UtcOffsetSeconds(local, UtcCalendarTime(t));
    const int offsetMinutes = static_cast<int>(std::labs(offset) / 60);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d%c%02d:%02d",
                  local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                  local.tm_min, local.tm_sec, offset < 0 ? '-' : '+', offsetMinutes / 60,
                  offsetMinutes % 60);
    return text;
}
