#pragma once

#include "core/clock.h"
#include "core/run_journal.h"
#include "core/settings_values.h"

#include <string>
#include <vector>

namespace tervolen {

// What the schedule of today missed while the program did not run.
struct MissedRuns {
    std::vector<int> hours;      // the missed hours, earliest first
    bool scheduleDueNow = false; // now's hour is ticked, so the schedule's first tick starts a backup anyway
};

// The ticked hours of today before now's hour that began after the latest start or end the journal records: that
// is the last moment the program is known to have run, so later hours passed while it was stopped. Without any
// record of today or yesterday nothing counts as missed, since the program may have run for the first time now.
// Records whose times do not parse are passed over.
MissedRuns findMissedRuns(const ScheduleFileSettings& today, const std::vector<RunRecord>& journal,
                          const LocalTime& now);

// "Missed scheduled backups today at 03:00, 09:00".
std::string missedRunsLine(const std::vector<int>& hours);
// "Caught up on the missed backups of 03:00, 09:00 with one backup".
std::string caughtUpLine(const std::vector<int>& hours);

} // namespace tervolen
