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
    message.clear();
    message.from.address = settings.from;
    message.recipients = parseAddressList(settings.to + "," + settings.cc);
    if (message.recipients.empty())
        throw Error("No recipient is given for the backup e-mail (To and CC are empty).");
    message.subject = "Data Base Backup";
    message.body = {"Data BaseBackup file compressed and attached byTervolen"};
    // Not owned: the aliasing constructor gives a pointer that never deletes the caller's file.
    message.attachments.emplace_back(std::shared_ptr<const OpenedFile>(std::shared_ptr<void>(), &archive));
}

} // namespace

void sendBackupByMail(const OpenedFile& archive, const MailSettings& settings, SmtpClient& smtp, MailMessage& message,
                      MonitorLog& monitor) {
    configureSmtpClient(smtp, settings);
    {
        DropAttachmentsAtEnd dropAttachments(message);
        try {
            checkMailSettings(settings, "backup e-mail");
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
