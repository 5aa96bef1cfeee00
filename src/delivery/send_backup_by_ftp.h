#pragma once

#include "core/posix_file.h"
#include "delivery/ftp_client.h"

#include <string>

namespace tervolen {

// What the FTP step takes from the window's FTP group.
struct FtpSettings {
    std::string host;
    std::string port; // as typed; parsed by the step
    std::string user;
    std::string password;
    bool passive = false;
    std::string folder;   // empty: the login folder
    std::string security; // None (or empty), TLS or ImplicitTLS
    std::string caFile;   // empty: the system's trust store
};

// The protection that a Security value names. Throws Error for a value that is none of the three.
FtpSecurity ftpSecurity(const std::string& value);

// A connection to the server of the settings, made as the upload makes it (an empty address is refused before
// connecting): protected and logged in as the settings say, in passive mode when they say so, and in the settings'
// folder (made where missing) or the login folder. Closed with QUIT when it ends, also after a failure. Throws
// Error for an unknown Security value and what FtpClient::connect and FtpClient::changeFolder throw.
class FtpConnection {
public:
    FtpConnection(FtpClient& ftp, const FtpSettings& settings);
    FtpConnection(const FtpConnection&) = delete;
    FtpConnection& operator=(const FtpConnection&) = delete;
    ~FtpConnection() { ftp_.disconnect(); }

private:
    FtpClient& ftp_;
};

// Uploads the archive, read through its descriptor, to the FTP server under the file name of archive.path in the
// settings' folder (made where missing), or the login folder. Throws every failure (port text, an empty server address
// before connecting, connection, login, transfer) to the caller.
void sendBackupByFtp(const OpenedFile& archive, const FtpSettings& settings, FtpClient& ftp);

} // namespace tervolen
