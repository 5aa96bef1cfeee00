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

// The state of the backups by the journal's records (none: there is no journal) at now: CRITICAL without any good
// backup or when the last good one ended longer ago than criticalHours, WARNING when longer than warningHours ago
// or when the last run failed, else OK. Times are the journal's local times.
StatusReport backupStatus(const std::optional<std::vector<RunRecord>>& journal, const LocalTime& now,
                          const StatusThresholds& thresholds);

// The hours of --warning or --critical: a number from 0; none for any other text.
std::optional<double> parseStatusHours(const std::string& text);

} // namespace tervolen
