#pragma once

#include <ctime>

namespace tervolen::test {

// The moment of a local date and time, daylight saving time as the time zone has it then.
inline std::time_t localMoment(int year, int month, int day, int hour, int minute, int second) {
    std::tm moment{};
    moment.tm_year = year - 1900;
    moment.tm_mon = month - 1;
    moment.tm_mday = day;
    moment.tm_hour = hour;
    moment.tm_min = minute;
    moment.tm_sec = second;
    moment.tm_isdst = -1;
    return std::mktime(&moment);
}

} // namespace tervolen::test
