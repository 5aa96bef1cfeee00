// tervolen-cli send: only the e-mail step (and the FTP step, when ticked) for an archive that already exists,
// against aiosmtpd over STARTTLS with a required login, with the exit codes of backup.
#include "core/settings_file.h"
#include "smtp_sink.h"
#include "temp_dir.h"
#include "test_bytes.h"
#include "test_certificates.h"
#include "test_config.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace tervolen {
namespace {

class CliSendTest : public ::testing::Test {
protected:
    CliSendTest() { test::writeFile(archive_, test::patternBytes(70000, 5, 241)); }

    void writeSettings(int port, const std::string& security, const std::string& password) {
        withSettings(dir_.file("tervolen.ini"), [&](SettingsFile& s) {
            s.writeText("SENDBACKUPMAIL", "Send", "Checked");
            s.writeText("SMTP", "Host", "localhost");
            s.writeText("SMTP", "Port", std::to_string(port));
            s.writeText("SMTP", "From", "backup@example.com");
            s.writeText("SMTP", "To", "dba@example.com");
            s.writeText("SMTP", "User", "backup-user");
            s.writeText("SMTP", "Pswd", password);
            s.writeText("SMTP", "Security", security);
            s.writeText("SMTP", "CAFile", certificates_.caFile());
        });
    }

    int send(std::string* output) {
        return test::runCommand(std::string(TERVOLEN_CLI) + " send --settings " + dir_.file("tervolen.ini") +
                                    " --file " + archive_ + " 2>&1",
                                output);
    }

    test::TempDir dir_;
    test::TempDir mail_;
    test::TestCertificates certificates_{dir_.path()};
    std::string archive_ = dir_.file("202501021405.zip");
    test::SmtpSink sink_{mail_.path(),
                         {test::SmtpSinkOptions::Tls::startTlsRequired, certificates_.trusted().certificate,
                          certificates_.trusted().key, "backup-user:right-password"}};
};

TEST_F(CliSendTest, MailsTheArchiveOverStartTlsAndExitsZero) {
    writeSettings(sink_.port(), "STARTTLS", "right-password");
    std::string output;
    ASSERT_EQ(send(&output), 0) << output;
    EXPECT_EQ(output.find("ERROR"), std::string::npos) << output;
    std::string inspected;
    ASSERT_EQ(test::runCommand(std::string(test::kPython3) + " " + test::kSourceDir +
                                   "/tests/support/mail_inspect.py " + sink_.messagePath(1, ".eml"),
                               &inspected),
              0);
    std::string digest;
    test::runCommand("sha256sum " + archive_, &digest);
    EXPECT_NE(inspected.find("filename=202501021405.zip sha256=" + digest.substr(0, 64) + " size=70000"),
              std::string::npos)
        << inspected;
}

TEST_F(CliSendTest, ARefusalIsAnErrorLineAndExitCodeOne) {
    struct Case {
        std::string security;
        std::string password;
        std::string line;
    };
    const Case cases[] = {
        {"STARTTLS", "wrong", "ERROR: The SMTP server refused the user name or password (535)"},
        {"Bogus", "right-password", "ERROR: The SMTP security setting is none of None, STARTTLS and TLS"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.security);
        writeSettings(sink_.port(), c.security, c.password);
        std::string output;
        EXPECT_EQ(send(&output), 1) << output;
        EXPECT_NE(output.find(c.line), std::string::npos) << output;
    }
    EXPECT_FALSE(std::filesystem::exists(sink_.messagePath(1, ".eml")));
    std::string output;
    EXPECT_EQ(test::runCommand(std::string(TERVOLEN_CLI) + " send --settings " + dir_.file("tervolen.ini") + " 2>&1",
                               &output),
              2)
        << "no --file";
}

} // namespace
} // namespace tervolen
