#pragma once

#include "core/monitor_log.h"
#include "core/run_journal.h"

#include <chrono>
#include <string>

namespace tervolen {

inline constexpr std::chrono::milliseconds kAlertCommandBound{60000};

// Runs the user's command line after a run, without a shell, with the run in its environment: TERVOLEN_RESULT
// ("ok" or "failed"), TERVOLEN_STAMP, TERVOLEN_BACKUP, TERVOLEN_ARCHIVE, TERVOLEN_MESSAGE (the first red line) and
// TERVOLEN_LOG (a readable file with the run's Monitor text). Its exit status and first lines are a Monitor line,
// red unless it exited 0; a command that cannot be run is a red line. Nothing for an empty command line.
void runAlertCommand(const std::string& commandLine, const RunRecord& record, MonitorLog& monitor,
                     std::chrono::milliseconds bound = kAlertCommandBound);

} // namespace tervolen
