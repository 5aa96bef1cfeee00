#pragma once

#include "core/clock.h"

#include <string>

namespace tervolen {

// "yyyymmddnnhh": year, month, day, minute, hour (the minute comes before the hour).
std::string BackupTimeStamp(const LocalTime& time);
// "dddd, mmmm d, yyyy, hh:nn:ss", e.g. "Saturday, December 9, 2006, 15:30:12".
std::string LongDateTime(const LocalTime& time);
// "yyyy-mm-dd hh:nn:ss", for log output.
std::string LogTimeStamp(const LocalTime& time);
// "hh:nn:ss" on the 24-hour clock.
std::string ClockTime(const LocalTime& time);

} // namespace tervolen
