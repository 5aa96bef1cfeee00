#include "app/connection_tests.h"

#include "core/control_names.h"
#include "core/errors.h"
#include "core/posix_file.h"
#include "delivery/ftp_reply.h"
#include "delivery/smtp_reply.h"
#include "services/service_client.h"

#include <exception>

namespace tervolen {

namespace {

constexpr const char* kFtpTestFileText = "Tervolen tests its FTP settings with this file; it may be deleted.\r\n";

template <class Reply> std::string lastReplyLine(const Reply& reply) {
    std::string line = std::to_string(reply.code);
    if (!reply.text.empty())
        line += " " + reply.text.back();
    return line;
}

std::string failure(const std::string& what, const std::exception& error) {
    return what + "\n" + error.what();
}

std::string serverVersion(const ServerConnection& connection) {
    QueryService service("ConnectionTest", controls::FrmPrincipal);
    service.setLoginPrompt(false);
    // The protocol goes first, since Local clears the server name.
    service.setProtocol(*connection.protocol);
    service.setLibraryName(connection.libraryName);
    service.setServerName(connection.serverName);
    service.setParamValue("user_name", connection.userName);
    service.setParamValue("password", connection.password);
    service.openServiceManager();
    std::string version = service.queryServerVersion();
    service.closeServiceManager();
    return version;
}

MailMessage testMessage(const MailSettings& settings) {
    MailMessage message;
    message.from.address = settings.from;
    message.recipients = parseAddressList(settings.to + "," + settings.cc);
    if (message.recipients.empty())
        throw Error("No recipient is given for the test message (To and CC are empty).");
    message.subject = "Tervolen test message";
    message.body = {"Tervolen sent this message to test its e-mail settings.",
                    "Backups and reports will reach this address the same way."};
    return message;
}

// The upload's answer; the delete only adds whether the file stayed.
std::string uploadTestFile(FtpClient& ftp) {
    const OpenedFile file{kFtpTestFileName, memoryFile(kFtpTestFileName, kFtpTestFileText)};
    ftp.put(file, kFtpTestFileName);
    std::string answer = "The FTP server took " + std::string(kFtpTestFileName) + ":\n" + lastReplyLine(ftp.lastReply());
    try {
        ftp.deleteFile(kFtpTestFileName);
        answer += "\nThe test file was deleted again.";
    } catch (const FtpReplyError&) {
        answer += "\nThe test file stayed on the server, which refused to delete it: " +
                  lastReplyLine(ftp.lastReply());
    }
    return answer;
}

} // namespace

ConnectionTestResult testServerConnection(const ServerConnection& connection) {
    if (!connection.protocol)
        return {false, "Invalid Protocol Name"};
    try {
        return {true, "The server answered. Its version:\n" + serverVersion(connection)};
    } catch (const std::exception& e) {
        return {false, failure("No connection to the server's service manager:", e)};
    }
}

ConnectionTestResult sendTestMail(const MailSettings& settings, SmtpClient& smtp) {
    try {
        checkMailSettings(settings, "test message");
        configureSmtpClient(smtp, settings);
        const MailMessage message = testMessage(settings);
        smtp.connect();
        smtp.send(message);
        const std::string answer = lastReplyLine(smtp.lastReply());
        smtp.disconnect();
        return {true, "The SMTP server accepted the test message:\n" + answer};
    } catch (const std::exception& e) {
        if (smtp.connected()) {
            try {
                smtp.disconnect();
            } catch (const std::exception&) {
                // The first failure is the one worth showing.
            }
        }
        return {false, failure("The test message was not sent:", e)};
    }
}

ConnectionTestResult testFtpUpload(const FtpSettings& settings, FtpClient& ftp) {
    try {
        FtpConnection connection(ftp, settings);
        return {true, uploadTestFile(ftp)};
    } catch (const std::exception& e) {
        return {false, failure("The test file was not uploaded:", e)};
    }
}

} // namespace tervolen
