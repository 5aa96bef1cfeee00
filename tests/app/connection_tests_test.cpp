// The connection tests of the window's buttons, with the fields as they stand and nothing saved: the Services API
// against the private Firebird 3 server and its embedded engine, e-mail to aiosmtpd, upload to pyftpdlib.
#include "app/connection_tests.h"
#include "app/program.h"
#include "connection_fields.h"
#include "core/headless_form.h"
#include "core/settings_file.h"
#include "delivery/tcp_socket.h"
#include "firebird_server.h"
#include "fixed_clock.h"
#include "ftp_test_server.h"
#include "scripted_dialogs.h"
#include "smtp_sink.h"
#include "temp_dir.h"
#include "test_certificates.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <memory>

namespace tervolen {
namespace {

namespace fs = std::filesystem;

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// A port on the loopback address where nobody listens.
int closedPort() {
    return TcpListener::listen("127.0.0.1", 0).port(); // closed again at once
}

// The program on a headless form whose settings file names other servers than the fields do, so a test that read
// the file instead of the fields would fail; every test ends with the file as it was.
class ConnectionTestsTest : public ::testing::Test {
protected:
    void SetUp() override {
        clock.set(2026, 12, 11, 9, 0);
        withSettings(paths.settingsFile, [](SettingsFile& s) {
            s.writeText("SERVERNAME", "Name", "stored.invalid");
            s.writeText("SMTP", "Host", "stored.invalid");
            s.writeText("FTP", "Host", "stored.invalid");
        });
        Program::Options options;
        options.registerAutostart = false;
        program = std::make_unique<Program>(form, dialogs, monitor, paths, clock, [] {}, options);
        program->startup();
        storedSettings = test::readFile(paths.settingsFile);
        ASSERT_TRUE(contains(storedSettings, "stored.invalid"));
        dialogs.shown.clear();
    }

    void TearDown() override { EXPECT_EQ(test::readFile(paths.settingsFile), storedSettings) << "nothing is saved"; }

    // Clicks the button and returns what it showed: one box, "information" when the test passed, "error" when not.
    test::ScriptedDialogs::Shown click(const char* button) {
        dialogs.shown.clear();
        form.click(button);
        EXPECT_EQ(dialogs.shown.size(), 1u);
        return dialogs.shown.empty() ? test::ScriptedDialogs::Shown{} : dialogs.shown.back();
    }

    test::TempDir dir;
    AppPaths paths{dir.path(), dir.file("tervolen.ini")};
    HeadlessForm form;
    test::ScriptedDialogs dialogs;
    MonitorLog monitor;
    test::FixedClock clock;
    std::unique_ptr<Program> program;
    std::string storedSettings;
};

TEST_F(ConnectionTestsTest, TheServerTestShowsTheVersionOrTheServersReason) {
    const test::FirebirdServer& server = test::theFirebirdServer();
    const test::ConnectionFields good = test::serverConnection(server);
    const struct {
        const char* what;
        test::ConnectionFields fields;
        bool ok;
        std::string answer;
    } cases[] = {
        {"good login over TCP", good, true, "LI-V"},
        {"embedded engine", {"LOCAL", "", server.clientLibrary, "SYSDBA", ""}, true, "Firebird"},
        {"wrong password", {"TCP/IP", good.serverName, good.clientLibrary, good.user, "wrong"}, false,
         "Your user name and password are not defined"},
        {"nobody at the port",
         {"TCP/IP", server.host + "/" + std::to_string(closedPort()), good.clientLibrary, good.user, good.password},
         false, "Unable to complete network request"},
        {"unknown protocol", {"Carrier pigeon", good.serverName, good.clientLibrary, good.user, good.password}, false,
         "Invalid Protocol Name"},
        {"missing library", {"TCP/IP", good.serverName, "libno-such-client.so", good.user, good.password}, false,
         "libno-such-client.so"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        test::setConnectionFields(form, c.fields);
        const auto shown = click("BtnTestConnection");
        EXPECT_EQ(shown.kind, c.ok ? "information" : "error") << shown.text;
        EXPECT_TRUE(contains(shown.text, c.answer)) << shown.text;
    }
    EXPECT_EQ(monitor.size(), 0u) << "the tests write no Monitor lines";
}

TEST_F(ConnectionTestsTest, TheTestMailArrivesInClearAndOverStartTlsWithLogin) {
    fs::create_directories(dir.file("certificates"));
    test::TestCertificates certificates(dir.file("certificates"));
    test::TempDir plainMail;
    test::TempDir secureMail;
    test::SmtpSink plain(plainMail.path());
    test::SmtpSink secure(secureMail.path(),
                          {test::SmtpSinkOptions::Tls::startTlsRequired, certificates.trusted().certificate,
                           certificates.trusted().key, "backup-user:right-password"});
    const struct {
        const char* what;
        const test::SmtpSink& sink;
        const test::TempDir& folder;
        int security;
    } cases[] = {
        {"in clear", plain, plainMail, 0},
        {"STARTTLS and AUTH", secure, secureMail, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        test::setMailFields(form, c.sink.port());
        form.setChecked("ChkBoxBkpMail", false);
        form.setText("ledHost", "localhost");
        form.setText("ledCC", "copy@example.com");
        form.setItemIndex("CBSMTPSecurity", c.security);
        form.setText("EdSMTPCAFile", certificates.caFile());
        form.setText("EdSMTPUser", "backup-user");
        form.setText("EdSMTPpswd", "right-password");
        const auto shown = click("BtnTestMail");
        EXPECT_EQ(shown.kind, "information") << shown.text;
        EXPECT_TRUE(contains(shown.text, "250 OK")) << shown.text;
        const std::string message = test::readFile(c.sink.messagePath(1, ".eml"));
        EXPECT_TRUE(contains(message, "Subject: Tervolen test message")) << message;
        EXPECT_TRUE(contains(message, "To: dba@example.com, copy@example.com")) << message;
        EXPECT_FALSE(contains(message, "Content-Disposition: attachment")) << message;
        const std::string envelope = test::readFile(c.sink.messagePath(1, ".json"));
        EXPECT_TRUE(contains(envelope, "\"dba@example.com\", \"copy@example.com\"")) << envelope;
        EXPECT_FALSE(fs::exists(c.sink.messagePath(2, ".eml")));
    }
}

TEST_F(ConnectionTestsTest, AFailedTestMailShowsTheReasonAndSendsNothing) {
    fs::create_directories(dir.file("certificates"));
    test::TestCertificates certificates(dir.file("certificates"));
    test::TempDir mail;
    test::SmtpSink sink(mail.path(), {test::SmtpSinkOptions::Tls::startTlsRequired, certificates.trusted().certificate,
                                      certificates.trusted().key, "backup-user:right-password"});
    const struct {
        const char* what;
        int port;
        std::string password;
        std::string to;
        std::string answer;
    } cases[] = {
        {"wrong password", sink.port(), "wrong", "dba@example.com",
         "The SMTP server refused the user name or password (535)"},
        {"nobody at the port", closedPort(), "right-password", "dba@example.com",
         "Socket Error # 111\r\nConnection refused"},
        {"no recipient", sink.port(), "right-password", "", "No recipient is given"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        test::setMailFields(form, c.port);
        form.setText("ledHost", "localhost");
        form.setText("ledTo", c.to);
        form.setItemIndex("CBSMTPSecurity", 1);
        form.setText("EdSMTPCAFile", certificates.caFile());
        form.setText("EdSMTPUser", "backup-user");
        form.setText("EdSMTPpswd", c.password);
        const auto shown = click("BtnTestMail");
        EXPECT_EQ(shown.kind, "error");
        EXPECT_TRUE(contains(shown.text, "The test message was not sent:\n" + c.answer)) << shown.text;
    }
    EXPECT_FALSE(fs::exists(sink.messagePath(1, ".json")));
}

TEST_F(ConnectionTestsTest, TheFtpTestUploadsIntoTheFolderAndDeletesTheFileAgain) {
    fs::create_directories(dir.file("certificates"));
    test::TestCertificates certificates(dir.file("certificates"));
    const struct {
        const char* what;
        test::FtpTestTls tls;
        const char* security;
        bool passive;
    } cases[] = {
        {"in clear, active", test::FtpTestTls::None, "None", false},
        {"explicit TLS, passive", test::FtpTestTls::Explicit, "TLS", true},
        {"implicit TLS, passive", test::FtpTestTls::Implicit, "ImplicitTLS", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempDir home;
        test::FtpTestServer server =
            c.tls == test::FtpTestTls::None
                ? test::FtpTestServer(home.path(), "backup", "secret")
                : test::FtpTestServer(home.path(), "backup", "secret", c.tls, certificates.trusted().certificate,
                                      certificates.trusted().key);
        test::setFtpFields(form, server.port());
        form.setChecked("ChkBoxSentFTP", false);
        form.setText("CBFTPSecurity", c.security);
        form.setChecked("ChkBoxFTPPassive", c.passive);
        form.setText("LedFTPFolder", "nightly/firebird");
        form.setText("LedFTPCAFile", certificates.caFile());
        const auto shown = click("BtnTestFtp");
        EXPECT_EQ(shown.kind, "information") << shown.text;
        EXPECT_TRUE(contains(shown.text, "The FTP server took tervolen-test.txt:\n226")) << shown.text;
        EXPECT_TRUE(contains(shown.text, "The test file was deleted again.")) << shown.text;
        EXPECT_TRUE(fs::is_directory(home.file("nightly/firebird")));
        EXPECT_EQ(test::listing(home.file("nightly/firebird")), std::vector<std::string>{});
    }
}

TEST_F(ConnectionTestsTest, AFileTheServerWillNotDeleteStaysAndTheTestStillPasses) {
    test::TempDir home;
    test::FtpTestServer server(home.path(), "backup", "secret", test::FtpTestFault::RefuseDele);
    test::setFtpFields(form, server.port());
    form.setChecked("ChkBoxFTPPassive", true);
    const auto shown = click("BtnTestFtp");
    EXPECT_EQ(shown.kind, "information") << shown.text;
    EXPECT_TRUE(contains(shown.text, "stayed on the server, which refused to delete it: 550")) << shown.text;
    EXPECT_EQ(test::readFile(home.file("tervolen-test.txt")),
              "Tervolen tests its FTP settings with this file; it may be deleted.\r\n");
}

TEST_F(ConnectionTestsTest, AFailedFtpTestShowsTheReasonAndLeavesNothing) {
    test::TempDir home;
    test::FtpTestServer server(home.path(), "backup", "secret");
    const struct {
        const char* what;
        int port;
        std::string password;
        std::string security;
        std::string answer;
    } cases[] = {
        {"wrong password", server.port(), "wrong", "None", "Authentication failed"},
        {"nobody at the port", closedPort(), "secret", "None", "Socket Error # 111\r\nConnection refused"},
        {"unknown security", server.port(), "secret", "Bogus", "is none of None, TLS and ImplicitTLS"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        test::setFtpFields(form, c.port);
        form.setText("LedPassword", c.password);
        form.setText("CBFTPSecurity", c.security);
        const auto shown = click("BtnTestFtp");
        EXPECT_EQ(shown.kind, "error");
        EXPECT_TRUE(contains(shown.text, "The test file was not uploaded:\n")) << shown.text;
        EXPECT_TRUE(contains(shown.text, c.answer)) << shown.text;
    }
    EXPECT_EQ(test::listing(home.path()), std::vector<std::string>{});
}

} // namespace
} // namespace tervolen
