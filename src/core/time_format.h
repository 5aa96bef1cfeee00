#pragma once

#include "core/clock.h"

#include <string>

namespace tervolen {

// "yyyymmddnnhh": year, month, day, minute, hour (the minute comes before the hour).
std::string backupTimeStamp(const LocalTime& time);
// "dddd, mmmm d, yyyy, hh:nn:ss", e.g. "Saturday, December 9, 2006, 15:30:12".
std::string longDateTime(const LocalTime& time);
// "yyyy-mm-dd hh:nn:ss", for log output.
std::string logTimeStamp(const LocalTime& time);
// "hh:nn:ss" on the 24-hour clock.
std::string clockTime(const LocalTime& time);

} // namespace tervolen
