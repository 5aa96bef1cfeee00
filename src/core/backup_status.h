#pragma once

#include "core/clock.h"
#include "core/run_journal.h"

#include <optional>
#include <string>
#include <vector>

namespace tervolen {

// The exit codes of a monitoring plugin (Nagios, Icinga and others that run such commands).
enum class StatusCode { Ok = 0, Warning = 1, Critical = 2, Unknown = 3 };

struct StatusThresholds {
    double warningHours = 26;
    double criticalHours = 50;
};

struct StatusReport {
    StatusCode code = StatusCode::Unknown;
    std::string line; // "OK - last good backup ... | age=18000s;93600;180000 size=190840832B"
};

// The journal's last run and its last good one (the latest "ok" record whose end can be read), at now.
struct JournalSummary {
    const RunRecord* lastRun = nullptr; // none in an empty journal
    const RunRecord* lastGood = nullptr;
    long long lastGoodAgeSeconds = 0; // from the last good run's end to now, never below 0
    bool lastRunFailed() const { return lastRun != nullptr && lastRun->result != "ok"; }
};
JournalSummary summarizeJournal(const std::vector<RunRecord>& journal, const LocalTime& now);

// An age as the status tells it: minutes below an hour, hours below three days, else days (rounded down).
struct AgeInUnits {
    enum class Unit { Minutes, Hours, Days };
    long long count = 0;
    Unit unit = Unit::Minutes;
};
AgeInUnits ageInUnits(long long seconds);

// The state of the backups by the journal's records (none: there is no journal) at now: CRITICAL without any good
// backup or when the last good one ended longer ago than criticalHours, WARNING when longer than warningHours ago
// or when the last run failed, else OK. Times are the journal's local times.
StatusReport backupStatus(const std::optional<std::vector<RunRecord>>& journal, const LocalTime& now,
                          const StatusThresholds& thresholds);

// The hours of --warning or --critical: a number from 0; none for any other text.
std::optional<double> parseStatusHours(const std::string& text);

} // namespace tervolen
