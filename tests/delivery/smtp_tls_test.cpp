// The e-mail step against Debian's aiosmtpd over STARTTLS and implicit TLS, with and without a required login:
// the message arrives whole, and every refusal is one clear line with nothing sent and no password in clear.
#include "delivery/base64.h"
#include "delivery/send_backup_by_mail.h"

#include "smtp_sink.h"
#include "temp_dir.h"
#include "test_bytes.h"
#include "test_certificates.h"
#include "test_config.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace tervolen {
namespace {

using namespace std::chrono_literals;
using Tls = test::SmtpSinkOptions::Tls;

constexpr const char* kUser = "backup-user";
constexpr const char* kPassword = "s3cret-Pa55";

std::string base64Of(const std::string& text) {
    std::string encoded;
    appendBase64(reinterpret_cast<const unsigned char*>(text.data()), text.size(), encoded);
    return encoded;
}

class SmtpTlsTest : public testing::Test {
protected:
    SmtpTlsTest() {
        test::writeFile(archivePath_, test::patternBytes(300000, 3, 253));
        settings_.host = "localhost";
        settings_.from = "backup@example.com";
        settings_.to = "dba@example.com";
        settings_.security = SmtpSecurity::StartTls;
        settings_.caFile = certificates_.caFile();
        settings_.user = kUser;
        settings_.password = kPassword;
    }

    test::SmtpSinkOptions sinkOptions(Tls tls, const test::CertificateFiles& served, bool login = true) const {
        test::SmtpSinkOptions options;
        options.tls = tls;
        options.certificate = served.certificate;
        options.key = served.key;
        if (login)
            options.login = std::string(kUser) + ":" + kPassword;
        return options;
    }

    // Runs the step against a new sink; gives the Monitor's first line (empty when none) and keeps the sink's folder.
    std::string send(const test::SmtpSinkOptions& options, const MailSettings& settings,
                     std::chrono::milliseconds reply = 30s) {
        sinkFolder_ = std::make_unique<test::TempDir>();
        test::SmtpSink sink(sinkFolder_->path(), options);
        MailSettings withPort = settings;
        withPort.port = std::to_string(sink.port());
        SmtpClient smtp;
        NetworkTimeouts timeouts;
        timeouts.reply = reply;
        smtp.setTimeouts(timeouts);
        MailMessage message;
        MonitorLog monitor;
        sendBackupByMail(openRegularFile(archivePath_), withPort, smtp, message, monitor);
        messagePath_ = sink.messagePath(1, ".eml");
        transcriptPath_ = sink.transcriptPath();
        return monitor.empty() ? "" : monitor.paragraph(0).text;
    }

    std::string transcript() const {
        return std::filesystem::exists(transcriptPath_) ? test::readFile(transcriptPath_) : "";
    }

    // What Python's email package finds in the received message: its attachment's digest and size.
    std::string receivedAttachment() const {
        std::string output;
        const std::string script = std::string(test::kSourceDir) + "/tests/support/mail_inspect.py";
        EXPECT_EQ(test::runCommand(std::string(test::kPython3) + " " + script + " '" + messagePath_ + "'", &output), 0);
        const std::size_t part = output.find("part application/octet-stream");
        return part == std::string::npos ? output : output.substr(part, output.find('\n', part) - part);
    }

    std::string expectedAttachment() const {
        std::string digest;
        EXPECT_EQ(test::runCommand("sha256sum '" + archivePath_ + "'", &digest), 0);
        return "part application/octet-stream name=202501021405.zip filename=202501021405.zip sha256=" +
               digest.substr(0, 64) + " size=300000 encoding=base64";
    }

    test::TempDir folder_;
    test::TestCertificates certificates_{folder_.path()};
    std::string archivePath_ = folder_.file("202501021405.zip");
    MailSettings settings_;
    std::unique_ptr<test::TempDir> sinkFolder_;
    std::string messagePath_;
    std::string transcriptPath_;
};

TEST_F(SmtpTlsTest, TheMessageArrivesWholeOverStartTlsAndImplicitTlsWithEitherLogin) {
    struct Case {
        std::string name;
        Tls tls;
        SmtpSecurity security;
        std::string mechanisms;
        std::string authLine;
    };
    const Case cases[] = {
        {"STARTTLS, PLAIN offered", Tls::startTlsRequired, SmtpSecurity::StartTls, "PLAIN,LOGIN",
         "AUTH PLAIN " + base64Of(std::string(1, '\0') + kUser + '\0' + kPassword) + "\r\n"},
        {"STARTTLS, LOGIN only", Tls::startTlsRequired, SmtpSecurity::StartTls, "LOGIN", "AUTH LOGIN\r\n"},
        {"implicit TLS", Tls::implicit, SmtpSecurity::Tls, "PLAIN,LOGIN", "AUTH PLAIN "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::SmtpSinkOptions options = sinkOptions(c.tls, certificates_.trusted());
        options.authMechanisms = c.mechanisms;
        MailSettings settings = settings_;
        settings.security = c.security;
        EXPECT_EQ(send(options, settings), "");
        EXPECT_EQ(receivedAttachment(), expectedAttachment());
        const std::string said = transcript();
        EXPECT_NE(said.find(c.authLine), std::string::npos) << said.substr(0, 300);
        if (c.security == SmtpSecurity::StartTls) {
            EXPECT_NE(said.find("STARTTLS\r\nEHLO "), std::string::npos) << "EHLO again after the handshake";
        }
    }
}

TEST_F(SmtpTlsTest, EachRefusalIsOneClearLineAndNothingIsSent) {
    const std::string missingCa = folder_.file("missing-ca.pem");
    struct Case {
        std::string name;
        test::SmtpSinkOptions options;
        std::function<void(MailSettings&)> change;
        std::string line;
    };
    const Case cases[] = {
        {"wrong password", sinkOptions(Tls::startTlsRequired, certificates_.trusted()),
         [](MailSettings& s) { s.password = "wrong"; },
         "ERROR: The SMTP server refused the user name or password (535): Authentication credentials invalid"},
        {"no STARTTLS offered", sinkOptions(Tls::none, certificates_.trusted()), [](MailSettings&) {},
         "ERROR: The SMTP server does not offer STARTTLS, so nothing was sent."},
        {"untrusted certificate", sinkOptions(Tls::startTlsRequired, certificates_.selfSigned()), [](MailSettings&) {},
         "ERROR: certificate verify failed: self-signed certificate"},
        {"system store only", sinkOptions(Tls::startTlsRequired, certificates_.trusted()),
         [](MailSettings& s) { s.caFile.clear(); },
         "ERROR: certificate verify failed: unable to get local issuer certificate"},
        {"host name mismatch", sinkOptions(Tls::implicit, certificates_.otherName()),
         [](MailSettings& s) { s.security = SmtpSecurity::Tls; }, "ERROR: host name mismatch"},
        {"unreadable CAFile", sinkOptions(Tls::startTlsRequired, certificates_.trusted()),
         [&](MailSettings& s) { s.caFile = missingCa; },
         "ERROR: Cannot read the trusted certificates file " + missingCa + ": No such file or directory"},
        {"TLS against a plain server", sinkOptions(Tls::none, certificates_.trusted()),
         [](MailSettings& s) { s.security = SmtpSecurity::Tls; }, "ERROR: TLS handshake failed: wrong version number"},
        {"unknown security", sinkOptions(Tls::startTlsRequired, certificates_.trusted()),
         [](MailSettings& s) { s.security = std::nullopt; },
         "ERROR: The SMTP security setting is none of None, STARTTLS and TLS, so nothing was sent."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MailSettings settings = settings_;
        c.change(settings);
        EXPECT_EQ(send(c.options, settings), c.line);
        EXPECT_FALSE(std::filesystem::exists(messagePath_)) << "nothing was delivered";
        EXPECT_EQ(transcript().find("MAIL FROM"), std::string::npos);
    }
}

TEST_F(SmtpTlsTest, WithoutSecurityThePasswordNeverGoesOutEvenWhereTheServerAsksForIt) {
    MailSettings settings = settings_;
    settings.security = SmtpSecurity::None;
    EXPECT_EQ(send(sinkOptions(Tls::none, certificates_.trusted()), settings), "ERROR: Authentication required");
    const std::string said = transcript();
    EXPECT_NE(said.find("EHLO "), std::string::npos) << "the server was reached";
    EXPECT_EQ(said.find("AUTH"), std::string::npos) << said;
    EXPECT_EQ(said.find(kPassword), std::string::npos);
    EXPECT_EQ(said.find(base64Of(kPassword)), std::string::npos);
    EXPECT_EQ(said.find(base64Of(std::string(1, '\0') + kUser + '\0' + kPassword)), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(messagePath_));
}

TEST_F(SmtpTlsTest, PlainSecurityAgainstAnImplicitTlsServerEndsWithinTheReplyBound) {
    MailSettings settings = settings_;
    settings.security = SmtpSecurity::None;
    EXPECT_EQ(send(sinkOptions(Tls::implicit, certificates_.trusted()), settings, 1s), "ERROR: Socket Error # 110");
    EXPECT_FALSE(std::filesystem::exists(messagePath_));
}

} // namespace
} // namespace tervolen
