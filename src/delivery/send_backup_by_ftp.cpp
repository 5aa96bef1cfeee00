#include "delivery/send_backup_by_ftp.h"

#include "core/text_conversion.h"

namespace tervolen {

FtpSecurity ftpSecurity(const std::string& value) {
    const std::string text = trim(value);
    if (text.empty() || text == "None")
        return FtpSecurity::None;
    if (text == "TLS")
        return FtpSecurity::Tls;
    if (text == "ImplicitTLS")
        return FtpSecurity::ImplicitTls;
    throw Error("The FTP security \"" + text + "\" is none of None, TLS and ImplicitTLS.");
}

FtpConnection::FtpConnection(FtpClient& ftp, const FtpSettings& settings) : ftp_(ftp) {
    if (ftp.connected())
        ftp.disconnect();
    const std::string& host = settings.host;
    ftp.setHost(host);
    ftp.setUserName(settings.user);
    ftp.setPassword(settings.password);
    ftp.setPort(strToInt(settings.port));
    ftp.setPassive(settings.passive);
    ftp.setSecurity(ftpSecurity(settings.security));
    ftp.setCaFile(trim(settings.caFile));
    if (trim(host).empty())
        throw Error("No FTP server is given for the backup upload (the address is empty).");
    try {
        ftp.connect();
        if (const std::string folder = trim(settings.folder); !folder.empty())
            ftp.changeFolder(folder);
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
