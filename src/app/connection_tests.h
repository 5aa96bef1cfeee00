#pragma once

#include "delivery/ftp_client.h"
#include "delivery/send_backup_by_ftp.h"
#include "delivery/mail_settings.h"
#include "delivery/smtp_client.h"
#include "services/job_requests.h"

#include <string>

namespace tervolen {

// How a connection test ended: the server's answer when it passed, the reason when not.
struct ConnectionTestResult {
    bool ok = false;
    std::string text;
};

// The file that the FTP test uploads and deletes again.
inline constexpr const char* kFtpTestFileName = "tervolen-test.txt";

// Attaches to the service manager as the jobs do, asks for the server's version and detaches. A protocol text that
// names no protocol fails as the backup does, with "Invalid Protocol Name".
ConnectionTestResult testServerConnection(const ServerConnection& connection);

// Sends a short message, set up and refused as the e-mail step sets up and refuses the backup's; the text holds the
// server's last reply to it.
ConnectionTestResult sendTestMail(const MailSettings& settings, SmtpClient& smtp);

// Connects as the FTP step does (security, passive mode, folder made where missing, trusted certificates), uploads
// kFtpTestFileName and deletes it again; the text holds the server's reply to the upload. A refused delete still
// passes, saying that the file stayed.
ConnectionTestResult testFtpUpload(const FtpSettings& settings, FtpClient& ftp);

} // namespace tervolen
