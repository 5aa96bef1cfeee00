#pragma once

#include "core/clock.h"

#include <optional>
#include <string_view>

namespace tervolen {

// The local time of a journal's "yyyy-mm-dd hh:nn:ss"; none for any other text or an impossible field.
std::optional<LocalTime> parseJournalTime(std::string_view text);

// Seconds of a local date and time on one line that runs on across days, months and years, so that two local
// times compare and subtract; the day of the week and the UTC offset play no part.
long long localSeconds(const LocalTime& time);

} // namespace tervolen
