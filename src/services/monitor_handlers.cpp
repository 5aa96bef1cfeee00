#include "services/monitor_handlers.h"

namespace tervolen {

namespace {

std::string DefaultLogsFolder(const AppPaths& paths) {
    return paths.join("DefaultLogs") + kPathDelim;
}

} // namespace

void BtSaveBkpLogClick(const MonitorLog& log, Dialogs& dialogs, const AppPaths& paths) {
    if (log.empty()) {
        dialogs.information("Não exitem dados para serem salvos em log");
        return;
    }
    if (auto path = dialogs.chooseSaveFile(DefaultLogsFolder(paths)))
        log.SaveMonitor(*path);
}

void CheckBackupLogClick(FormState& form, const AppPaths& paths) {
    bool automatic = form.checked("CheckBackupLog");
    form.setEnabled("LogFileEdit", automatic);
    form.setEnabled("BtSaveBkpLog", !automatic);
    form.setText("LogFileEdit", automatic ? DefaultLogsFolder(paths) : std::string());
}

} // namespace tervolen
