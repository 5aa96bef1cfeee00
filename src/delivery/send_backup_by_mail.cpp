#include "delivery/send_backup_by_mail.h"

#include "core/text_conversion.h"

#include <memory>

namespace tervolen {

namespace {

// The step's caller owns the archive's descriptor, so the message must not hold it past the step.
class DropAttachmentsAtEnd {
public:
    explicit DropAttachmentsAtEnd(MailMessage& message) : message_(message) {}
    DropAttachmentsAtEnd(const DropAttachmentsAtEnd&) = delete;
    DropAttachmentsAtEnd& operator=(const DropAttachmentsAtEnd&) = delete;
    ~DropAttachmentsAtEnd() { message_.attachments.clear(); }

private:
    MailMessage& message_;
};

void composeMessage(const MailSettings& settings, MailMessage& message, const OpenedFile& archive) {
    message = addressedMessage(settings);
    message.subject = "Data Base Backup";
    message.body = {"Data BaseBackup file compressed and attached byTervolen"};
    // Not owned: the aliasing constructor gives a pointer that never deletes the caller's file.
    message.attachments.emplace_back(std::shared_ptr<const OpenedFile>(std::shared_ptr<void>(), &archive));
}

} // namespace

void applyMailSettings(const MailSettings& settings, SmtpClient& smtp) {
    smtp.setHost(settings.host);
    smtp.setPort(strToInt(settings.port));
    const SmtpSecurity security = settings.security.value_or(SmtpSecurity::None);
    smtp.setSecurity(security);
    smtp.setCaFile(settings.caFile);
    smtp.setCredentials(settings.user, settings.password);
    // Over a connection in clear the password would travel as readable as the message.
    smtp.setAuthType(security != SmtpSecurity::None && !settings.user.empty() ? SmtpAuthentication::Default
                                                                              : SmtpAuthentication::None);
}

void checkMailSettings(const MailSettings& settings) {
    if (trim(settings.host).empty())
        throw Error("No SMTP server is given for the backup e-mail (the host is empty).");
    if (!settings.security)
        throw Error("The SMTP security setting is none of None, STARTTLS and TLS, so nothing was sent.");
    if (parseAddressList(settings.to + "," + settings.cc).empty())
        throw Error("No recipient is given for the backup e-mail (To and CC are empty).");
}

MailMessage addressedMessage(const MailSettings& settings) {
    MailMessage message;
    message.from.address = settings.from;
    message.recipients = parseAddressList(settings.to + "," + settings.cc);
    return message;
}

void sendBackupByMail(const OpenedFile& archive, const MailSettings& settings, SmtpClient& smtp, MailMessage& message,
                      MonitorLog& monitor) {
    applyMailSettings(settings, smtp);
    {
        DropAttachmentsAtEnd dropAttachments(message);
        try {
            checkMailSettings(settings);
            composeMessage(settings, message, archive);
            smtp.connect();
            smtp.send(message);
        } catch (const std::exception& e) {
            monitor.insertFirstLine(std::string("ERROR: ") + e.what());
        }
    }
    if (smtp.connected())
        smtp.disconnect();
}

} // namespace tervolen
