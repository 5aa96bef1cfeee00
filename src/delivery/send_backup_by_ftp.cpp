#include "delivery/send_backup_by_ftp.h"

#include "core/text_conversion.h"

namespace tervolen {

FtpConnection::FtpConnection(FtpClient& ftp, const FtpSettings& settings) : ftp_(ftp) {
    if (ftp.connected())
        ftp.disconnect();
    const std::string& host = settings.host;
    ftp.setHost(host);
    ftp.setUserName(settings.user);
    ftp.setPassword(settings.password);
    ftp.setPort(strToInt(settings.port));
    if (trim(host).empty())
        throw Error("No FTP server is given for the backup upload (the address is empty).");
    try {
        ftp.connect();
    } catch (...) {
        ftp.disconnect();
        throw;
    }
}

void sendBackupByFtp(const OpenedFile& archive, const FtpSettings& settings, FtpClient& ftp) {
    FtpConnection connection(ftp, settings);
    ftp.put(archive);
}

} // namespace tervolen
