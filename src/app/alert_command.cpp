#include "app/alert_command.h"

#include "core/bounded_command.h"
#include "core/color.h"
#include "core/command_line.h"

#include <exception>

namespace tervolen {

void runAlertCommand(const std::string& commandLine, const RunRecord& record, MonitorLog& monitor,
                     std::chrono::milliseconds bound) {
    try {
        BoundedCommand command;
        command.arguments = splitCommandLine(commandLine);
        if (command.arguments.empty())
            return;
        command.environment = {{"TERVOLEN_RESULT", record.result},   {"TERVOLEN_STAMP", record.stamp},
                               {"TERVOLEN_BACKUP", record.backup},   {"TERVOLEN_ARCHIVE", record.archive},
                               {"TERVOLEN_MESSAGE", record.error},   {"TERVOLEN_LOG", "/dev/fd/3"}};
        command.input3 = monitorPlainText(monitor);
        command.bound = bound;
        const CommandOutcome outcome = runBoundedCommand(command);
        const bool good = !outcome.killed && outcome.signal == 0 && outcome.exitStatus == 0;
        monitor.addMonitorLine("Command after the run: " + describeOutcome(outcome, bound), good ? kNavy : kRed,
                               kMonitorLineSize);
    } catch (const std::exception& e) {
        monitor.addMonitorLine(e.what(), kRed, kMonitorLineSize);
    }
}

} // namespace tervolen
