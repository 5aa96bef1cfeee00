#pragma once

#include "core/clock.h"
#include "core/run_journal.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tervolen {

// The current language's text for an English one.
using Translate = std::function<std::string(const std::string&)>;

// What the notification-area icon shows of the runs.
struct TrayStatus {
    bool failed = false; // the last run failed: the icon turns red
    std::string toolTip; // the last good backup with its age, and the failure of the last run when it failed

    bool operator==(const TrayStatus&) const = default;
};

// A notification popped over the icon.
struct TrayNotice {
    std::string title;
    std::string message;

    bool operator==(const TrayNotice&) const = default;
};

// The icon's state by the journal at now, e.g. "Last good backup: 2026-12-10 03:00 (5 h ago)", or "No good backup
// yet"; the texts in the language of translate (English when it is empty).
TrayStatus trayStatus(const std::vector<RunRecord>& journal, const LocalTime& now, const Translate& translate);

// The notification of a run that has just ended: the failed run's first red line; none for a good run.
std::optional<TrayNotice> runNotice(const RunRecord& run, const Translate& translate);

} // namespace tervolen
