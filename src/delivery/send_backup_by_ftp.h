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
};

// A connection to the server of the settings, logged in, made as the upload makes it (an empty address is refused
// before connecting) and closed with QUIT when it ends, also after a failure. Throws what FtpClient::connect throws.
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
// login folder. Throws every failure (port text, an empty server address before connecting, connection, login,
// transfer) to the caller.
void sendBackupByFtp(const OpenedFile& archive, const FtpSettings& settings, FtpClient& ftp);

} // namespace tervolen
