#pragma once

#include "core/dialogs.h"
#include "core/form_state.h"
#include "core/paths.h"
#include "core/monitor_log.h"

namespace tervolen {

// The button BtSaveBkpLog: saves the Monitor to a file that the user names, starting in DefaultLogs.
// An empty log is not saved; the user is told so. Throws the Error of SaveMonitor.
void BtSaveBkpLogClick(const MonitorLog& log, Dialogs& dialogs, const AppPaths& paths);

// Click handler of CheckBackupLog: automatic saving into LogFileEdit (set to DefaultLogs) or saving by hand.
void CheckBackupLogClick(FormState& form, const AppPaths& paths);

} // namespace tervolen
