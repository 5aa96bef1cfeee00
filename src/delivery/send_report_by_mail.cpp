#include "delivery/send_report_by_mail.h"

#include "core/color.h"
#include "core/errors.h"

namespace tervolen {

namespace {

void composeReport(const RunReport& report, const MailSettings& settings, MailMessage& message) {
    message.clear();
    message.from.address = settings.from;
    message.recipients = parseAddressList(settings.to + "," + settings.cc);
    if (message.recipients.empty())
        throw Error("No recipient is given for the run report (To and CC are empty).");
    message.subject = report.subject;
    message.body = report.body;
}

// Closes the session whatever happened; a failing goodbye must not pass for a lost report.
class DisconnectAtEnd {
public:
    explicit DisconnectAtEnd(SmtpClient& smtp) : smtp_(smtp) {}
    DisconnectAtEnd(const DisconnectAtEnd&) = delete;
    DisconnectAtEnd& operator=(const DisconnectAtEnd&) = delete;
    ~DisconnectAtEnd() {
        try {
            if (smtp_.connected())
                smtp_.disconnect();
        } catch (const std::exception&) {
        }
    }

private:
    SmtpClient& smtp_;
};

} // namespace

bool sendReportByMail(const RunReport& report, const MailSettings& settings, SmtpClient& smtp, MailMessage& message,
                      MonitorLog& monitor) {
    try {
        DisconnectAtEnd disconnect(smtp);
        checkMailSettings(settings, "run report");
        configureSmtpClient(smtp, settings);
        composeReport(report, settings, message);
        smtp.connect();
        smtp.send(message);
        monitor.addMonitorLine("Run report mailed: " + report.subject, kNavy, kMonitorLineSize);
        return true;
    } catch (const std::exception& e) {
        monitor.addMonitorLine(std::string("The run report could not be mailed: ") + e.what(), kRed, kMonitorLineSize);
        return false;
    }
}

} // namespace tervolen
