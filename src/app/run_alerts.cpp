#include "app/run_alerts.h"

#include "app/alert_command.h"
#include "app/mail_settings_form.h"
#include "core/control_names.h"
#include "core/host_name.h"

namespace tervolen {

namespace {

std::vector<std::string> goodRunLines(const RunRecord& record) {
    std::vector<std::string> lines{"The backup run ended well.", "", "Started: " + record.started,
                                   "Ended: " + record.ended,
                                   "Backup: " + record.backup + " (" + std::to_string(record.backupSize) + " bytes)"};
    if (record.verified)
        lines.push_back("Test restore: passed in " + std::to_string(record.verifySeconds) + " s");
    if (!record.archive.empty())
        lines.push_back("Archive: " + record.archive + " (" + std::to_string(record.archiveSize) + " bytes)");
    for (const std::string& mirror : record.mirrors)
        lines.push_back("Mirror copy: " + mirror);
    if (!record.ftp.empty())
        lines.push_back("FTP upload: " + record.ftp);
    return lines;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        result.push_back(text.substr(start, end - start));
    if (start < text.size())
        result.push_back(text.substr(start));
    return result;
}

} // namespace

RunAlerts readRunAlerts(const FormState& form) {
    return {form.checked(controls::ChkBoxMailOnFailure), form.checked(controls::ChkBoxMailOnSuccess),
            form.text(controls::EdAlertCommand), readMailSettings(form), form.text(controls::eBase)};
}

RunReport runReport(const RunRecord& record, const std::string& database, const std::string& hostName,
                    const MonitorLog& monitor) {
    const bool good = record.result == "ok";
    return {"Tervolen: backup " + std::string(good ? "ok" : "FAILED") + " on " + hostName + " (" + database + ")",
            good ? goodRunLines(record) : lines(monitorPlainText(monitor))};
}

void raiseRunAlerts(const RunAlerts& alerts, const RunRecord& record, SmtpClient& smtp, MailMessage& message,
                    MonitorLog& monitor) {
    if (record.result == "ok" ? alerts.mailOnSuccess : alerts.mailOnFailure)
        sendReportByMail(runReport(record, alerts.database, localHostName(), monitor), alerts.mail, smtp, message,
                         monitor);
    runAlertCommand(alerts.command, record, monitor);
}

} // namespace tervolen
