#pragma once

#include "core/form_state.h"
#include "core/monitor_log.h"
#include "core/run_journal.h"
#include "delivery/mail_settings.h"
#include "delivery/mime_message.h"
#include "delivery/send_report_by_mail.h"
#include "delivery/smtp_client.h"

#include <string>

namespace tervolen {

// What a run tells its user when it ends, read from the window before the run.
struct RunAlerts {
    bool mailOnFailure = false;
    bool mailOnSuccess = false;
    std::string command; // run after every run; empty: none
    MailSettings mail;
    std::string database; // as the window names it, for the report's subject
};

RunAlerts readRunAlerts(const FormState& form);

// The report of an ended run: for a failed one, "Tervolen: backup FAILED on <host> (<database>)" with the Monitor
// text as its body; for a good one, a short account of what the run made.
RunReport runReport(const RunRecord& record, const std::string& database, const std::string& hostName,
                    const MonitorLog& monitor);

// After a run's journal record: the report by e-mail when set for the run's result, then the command. Neither
// throws; what goes wrong is a red Monitor line.
void raiseRunAlerts(const RunAlerts& alerts, const RunRecord& record, SmtpClient& smtp, MailMessage& message,
                    MonitorLog& monitor);

} // namespace tervolen
