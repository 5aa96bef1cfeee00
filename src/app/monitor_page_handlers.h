#pragma once

#include "core/dialogs.h"
#include "core/monitor_log.h"
#include "core/paths.h"

#include <string>

namespace tervolen {

// The default folder DefaultLogs, with a separator at the end.
std::string defaultLogsFolder(const AppPaths& paths);

// BtSaveBkpLog: saves the Monitor to a file that the user names, starting in DefaultLogs. An empty log is not
// saved; the user is told so. Throws the Error of SaveMonitor.
void onSaveMonitorLog(const MonitorLog& log, Dialogs& dialogs, const AppPaths& paths);

} // namespace tervolen
