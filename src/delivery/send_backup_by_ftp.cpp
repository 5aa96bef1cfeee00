#include "delivery/send_backup_by_ftp.h"

#include "core/paths.h"
#include "core/text_conversion.h"

#include <filesystem>

namespace tervolen {

namespace {

// Closes the connection when the step ends, also after a failure.
class DisconnectAtEnd {
public:
    explicit DisconnectAtEnd(TIdFTP& ftp) : ftp_(ftp) {}
    DisconnectAtEnd(const DisconnectAtEnd&) = delete;
    DisconnectAtEnd& operator=(const DisconnectAtEnd&) = delete;
    ~DisconnectAtEnd() { ftp_.Disconnect(); }

private:
    TIdFTP& ftp_;
};

} // namespace

void SendBackupByFtp(const FormState& form, TIdFTP& ftp, const std::string& currentBackupName) {
    if (ftp.Connected())
        ftp.Disconnect();
    ftp.setHost(form.text("LedFTPAdress"));
    ftp.setUserName(form.text("LedUserName"));
    ftp.setPassword(form.text("LedPassword"));
    ftp.setPort(StrToInt(form.text("LedFTPPort")));
    DisconnectAtEnd disconnect(ftp);
    ftp.Connect();
    std::string folder = form.text("eDirBackup") + kPathDelim;
    for (const char* extension : {".zip", ".bz2"}) {
        std::string archiveName = ChangeFileExt(currentBackupName, extension);
        std::error_code ec;
        if (std::filesystem::exists(folder + archiveName, ec)) {
            ftp.Put(folder + archiveName, archiveName);
            break;
        }
    }
}

} // namespace tervolen
