#include "delivery/send_backup_by_mail.h"

#include "core/paths.h"
#include "core/text_conversion.h"

#include <filesystem>

namespace tervolen {

namespace {

void ComposeMessage(const FormState& form, TIdMessage& message, const std::string& currentBackupName) {
    message.clear();
    message.from.address = form.text("ledFrom");
    message.recipients = ParseAddressList(form.text("ledTo") + "," + form.text("ledCC"));
    message.subject = "Data Base Backup";
    message.body = {"Data BaseBackup file compressed and attached byTervolen"};
    std::string folder = form.text("eDirBackup") + kPathDelim;
    for (const char* extension : {".zip", ".bz2"}) {
        std::string path = folder + ChangeFileExt(currentBackupName, extension);
        std::error_code ec;
        if (std::filesystem::exists(path, ec)) {
            message.attachments.emplace_back(path);
            break;
        }
    }
}

} // namespace

void SendBackupByMail(const FormState& form, MonitorLog& monitor, TIdSMTP& smtp, TIdMessage& message,
                      const std::string& currentBackupName, const std::function<void()>& sendBackupByFtp) {
    smtp.setHost(form.text("ledHost"));
    smtp.setPort(StrToInt(form.text("EdSMTPPort")));
    smtp.setAuthType(TIdSMTPAuthenticationType::atNone);
    try {
        ComposeMessage(form, message, currentBackupName);
        smtp.Connect();
        smtp.Send(message);
    } catch (const std::exception& e) {
        monitor.InsertFirstLine(std::string("ERROR: ") + e.what());
    }
    if (smtp.Connected())
        smtp.Disconnect();
    if (form.checked("ChkBoxSentFTP") && sendBackupByFtp)
        sendBackupByFtp();
}

} // namespace tervolen
