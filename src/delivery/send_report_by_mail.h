#pragma once

#include "core/monitor_log.h"
#include "delivery/mail_settings.h"
#include "delivery/mime_message.h"
#include "delivery/smtp_client.h"

#include <string>
#include <vector>

namespace tervolen {

// A plain-text message about a run, without attachment.
struct RunReport {
    std::string subject;
    std::vector<std::string> body; // its lines
};

// Mails the report to the addresses of To and CC with the e-mail settings. Whatever stops it (no host, no
// recipient, a port that is no number, the server refusing or gone) is a red Monitor line and nothing more, so
// that the run's other steps go on. Returns whether the server took the message.
bool sendReportByMail(const RunReport& report, const MailSettings& settings, SmtpClient& smtp, MailMessage& message,
                      MonitorLog& monitor);

} // namespace tervolen
