#include "core/clock.h"

#include <ctime>

namespace tervolen {

LocalTime SystemClock::now() const {
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    LocalTime lt;
    lt.year = tm.tm_year + 1900;
    lt.month = tm.tm_mon + 1;
    lt.day = tm.tm_mday;
    lt.hour = tm.tm_hour;
    lt.minute = tm.tm_min;
    lt.second = tm.tm_sec;
    lt.dayOfWeek = tm.tm_wday + 1;
    lt.utcOffsetMinutes = static_cast<int>(tm.tm_gmtoff / 60);
    return lt;
}

} // namespace tervolen
