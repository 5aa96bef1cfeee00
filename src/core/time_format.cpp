#include "core/time_format.h"

#include <cstdio>

namespace tervolen {

namespace {

constexpr const char* kDayNames[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
constexpr const char* kMonthNames[] = {"January", "February", "March",     "April",   "May",      "June",
                                       "July",    "August",   "September", "October", "November", "December"};

} // namespace

std::string backupTimeStamp(const LocalTime& t) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d", t.year, t.month, t.day, t.minute, t.hour);
    return text;
}

std::string longDateTime(const LocalTime& t) {
    char text[96];
    std::snprintf(text, sizeof text, "%s, %s %d, %04d, %02d:%02d:%02d", kDayNames[(t.dayOfWeek + 6) % 7],
                  kMonthNames[(t.month + 11) % 12], t.day, t.year, t.hour, t.minute, t.second);
    return text;
}

std::string logTimeStamp(const LocalTime& t) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second);
    return text;
}

std::string clockTime(const LocalTime& t) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", t.hour, t.minute, t.second);
    return text;
}

} // namespace tervolen
