#include "app/monitor_page_handlers.h"

namespace tervolen {

std::string defaultLogsFolder(const AppPaths& paths) {
    return paths.dataPath("DefaultLogs") + kPathDelim;
}

void onSaveMonitorLog(const MonitorLog& log, Dialogs& dialogs, const AppPaths& paths) {
    if (log.empty()) {
        dialogs.information("Não exitem dados para serem salvos em log");
        return;
    }
    if (auto path = dialogs.chooseSaveFile(defaultLogsFolder(paths)))
        log.saveMonitor(*path);
}

} // namespace tervolen
