// The e-mail and FTP steps: they send the archive they were handed, through its descriptor, and refuse to send
// anywhere when the host or the recipients are missing.
#include "delivery/base64.h"
#include "delivery/send_backup_by_ftp.h"
#include "delivery/send_backup_by_mail.h"

#include "loopback_peer.h"
#include "scripted_server.h"
#include "temp_dir.h"
#include "test_bytes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

namespace tervolen {
namespace {

using namespace std::chrono_literals;
using test::ScriptedServer;

constexpr const char* kArchiveName = "202501021405.zip";

class DeliveryStepTest : public testing::Test {
protected:
    // The archive, opened; then its name is given to another file, as a swap after the check would.
    OpenedFile openThenReplace(const std::string& content) {
        const std::string path = temp.file(kArchiveName);
        test::writeFile(path, content);
        OpenedFile archive = openRegularFile(path);
        test::writeFile(temp.file("other"), "not the archive");
        EXPECT_EQ(std::rename(temp.file("other").c_str(), path.c_str()), 0);
        return archive;
    }

    void sendMail(const OpenedFile& archive) {
        SmtpClient smtp;
        sendBackupByMail(archive, mail, smtp, message, monitor);
    }

    test::TempDir temp;
    MailSettings mail;
    FtpSettings ftp;
    MonitorLog monitor;
    MailMessage message;
};

struct MissingValues {
    std::string host;
    std::string to;
    std::string cc;
    std::string firstLine;
};

TEST_F(DeliveryStepTest, TheMailStepRefusesAnEmptyHostOrNoRecipientWithoutConnecting) {
    const std::string noHost = "ERROR: No SMTP server is given for the backup e-mail (the host is empty).";
    const std::string noRecipient = "ERROR: No recipient is given for the backup e-mail (To and CC are empty).";
    const MissingValues cases[] = {{"", "dba@example.com", "", noHost},
                                   {"  ", "dba@example.com", "copy@example.com", noHost},
                                   {"127.0.0.1", "", "", noRecipient},
                                   {"127.0.0.1", " ; ", " , ", noRecipient}};
    auto listener = TcpListener::listen("127.0.0.1", 0);
    const OpenedFile archive = openThenReplace("archive");
    for (const MissingValues& values : cases) {
        SCOPED_TRACE("host \"" + values.host + "\", To \"" + values.to + "\", CC \"" + values.cc + "\"");
        mail = {values.host, std::to_string(listener.port()), "", values.to, values.cc};
        monitor.clearMonitor();
        sendMail(archive);
        ASSERT_FALSE(monitor.empty());
        EXPECT_EQ(monitor.paragraph(0).text, values.firstLine);
        EXPECT_FALSE(listener.accept(0ms).has_value()) << "nothing connected";
        EXPECT_TRUE(message.attachments.empty());
    }
}

TEST_F(DeliveryStepTest, TheFtpStepRefusesAnEmptyAddressWithoutConnecting) {
    auto listener = TcpListener::listen("127.0.0.1", 0);
    const OpenedFile archive = openThenReplace("archive");
    ftp.port = std::to_string(listener.port());
    for (const std::string address : {"", "   "}) {
        ftp.host = address;
        FtpClient client;
        try {
            sendBackupByFtp(archive, ftp, client);
            FAIL() << "sent to \"" << address << "\"";
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()), "No FTP server is given for the backup upload (the address is empty).");
        }
        EXPECT_FALSE(listener.accept(0ms).has_value()) << "nothing connected";
    }
}

// The base64 lines between the attachment's header block and the next blank line, each followed by CR LF.
std::string attachmentText(const std::vector<std::string>& lines, const std::string& name) {
    auto start = std::find(lines.begin(), lines.end(), "        filename=\"" + name + "\"");
    if (start == lines.end() || ++start == lines.end())
        return "(no attachment named " + name + ")";
    std::string text;
    for (auto line = start + 1; line != lines.end() && !line->empty(); ++line)
        text += *line + "\r\n";
    return text;
}

TEST_F(DeliveryStepTest, TheMailStepAttachesTheArchiveItWasHandedUnderItsName) {
    const std::string content = test::patternBytes(200000, 31, 257);
    const OpenedFile archive = openThenReplace(content);
    ScriptedServer server({ScriptedServer::send("220 ready\r\n"), ScriptedServer::expect("250 hello\r\n"),
                           ScriptedServer::expect("250 reset\r\n"), ScriptedServer::expect("250 sender ok\r\n"),
                           ScriptedServer::expect("250 recipient ok\r\n"), ScriptedServer::expect("354 go ahead\r\n"),
                           ScriptedServer::expectData("250 queued\r\n"), ScriptedServer::expect("221 bye\r\n")});
    mail = {"127.0.0.1", std::to_string(server.port()), "", "dba@example.com", ""};
    sendMail(archive);
    EXPECT_TRUE(monitor.empty()) << "no failure reported";
    ASSERT_TRUE(server.waitFinished(10s));
    std::string expected;
    appendBase64Lines(reinterpret_cast<const unsigned char*>(content.data()), content.size(), expected);
    EXPECT_EQ(attachmentText(server.receivedLines(), kArchiveName), expected);
    EXPECT_TRUE(message.attachments.empty()) << "the message holds no reference to the caller's file";
}

TEST_F(DeliveryStepTest, TheFtpStepUploadsTheArchiveItWasHandedUnderItsName) {
    const std::string content = test::patternBytes(300000, 31, 257);
    const OpenedFile archive = openThenReplace(content);
    test::PortTarget target;
    std::string received;
    auto onPort = [&](const std::string& line) { target = test::parsePortCommand(line); };
    auto onStor = [&](const std::string&) {
        TcpSocket data = TcpSocket::connect(target.address, target.port, 5s);
        char block[65536];
        while (std::size_t n = data.readSome(block, sizeof block, 5s))
            received.append(block, n);
    };
    ScriptedServer server({ScriptedServer::send("220 ready\r\n"), ScriptedServer::expect("331 Password?\r\n"),
                           ScriptedServer::expect("230 Logged in.\r\n"), ScriptedServer::expect("211 No features.\r\n"),
                           ScriptedServer::expect("200 Binary.\r\n"), ScriptedServer::expect("215 UNIX Type: L8\r\n"),
                           ScriptedServer::expect("200 PORT ok.\r\n", onPort),
                           ScriptedServer::expect("150 Opening.\r\n", onStor),
                           ScriptedServer::send("226 Transfer complete.\r\n"), ScriptedServer::expect("221 Bye.\r\n")});
    ftp = {"127.0.0.1", std::to_string(server.port()), "backup", "secret", false, "", "None", ""};
    FtpClient client;
    sendBackupByFtp(archive, ftp, client);
    ASSERT_TRUE(server.waitFinished(10s));
    EXPECT_EQ(received, content);
    const std::vector<std::string> lines = server.receivedLines();
    EXPECT_EQ(lines.at(6), std::string("STOR ") + kArchiveName);
    EXPECT_EQ(lines.back(), "QUIT");
}

} // namespace
} // namespace tervolen
