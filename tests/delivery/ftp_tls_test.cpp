// The FTP step over TLS against real servers: pyftpdlib's TLS handler, which requires TLS on the control and the
// data connections, and vsftpd, which also requires each data connection to resume the control connection's TLS
// session. Bad settings and servers that do not speak what the settings say fail with a line that says why, within
// the bounded waits, and nothing arrives.
#include "delivery/send_backup_by_ftp.h"

#include "ftp_test_server.h"
#include "scripted_server.h"
#include "temp_dir.h"
#include "test_bytes.h"
#include "test_certificates.h"
#include "vsftpd_server.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace tervolen {
namespace {

using namespace std::chrono_literals;
using test::FtpTestServer;
using test::FtpTestTls;
using test::ScriptedServer;

constexpr const char* kArchiveName = "202612101405.zip";

std::string makeFolder(const std::string& path) {
    std::filesystem::create_directories(path);
    return path;
}

class FtpTlsTest : public testing::Test {
protected:
    FtpTlsTest() { test::writeFile(archivePath, content); }

    // Runs the FTP step as the backup chain does; the failure's text, or nothing.
    std::string send(const FtpSettings& settings, const NetworkTimeouts& timeouts = {10s, 30s, 30s}) {
        FtpClient client;
        client.setTimeouts(timeouts);
        try {
            sendBackupByFtp(openRegularFile(archivePath), settings, client);
        } catch (const Error& error) {
            return error.text();
        }
        return {};
    }

    FtpSettings settingsFor(int port, const std::string& security, bool passive, const std::string& folder = {}) {
        return {"127.0.0.1", std::to_string(port), "backup", "s3cret pass", passive, folder,
                security,    certificates.caFile()};
    }

    FtpTestServer tlsServer(const std::string& home, FtpTestTls tls) {
        return FtpTestServer(home, "backup", "s3cret pass", tls, certificates.trusted().certificate,
                             certificates.trusted().key);
    }

    test::TempDir temp;
    test::TestCertificates certificates{makeFolder(temp.file("certificates"))};
    const std::string content = test::randomBytes(3 * 1024 * 1024 + 11, 5);
    const std::string archivePath = temp.file(kArchiveName);
};

TEST_F(FtpTlsTest, PyftpdlibTakesExplicitAndImplicitTlsUploadsPassiveAndActiveIntoAFolderTwoLevelsDeep) {
    for (const FtpTestTls tls : {FtpTestTls::Explicit, FtpTestTls::Implicit}) {
        for (const bool passive : {true, false}) {
            const std::string security = tls == FtpTestTls::Explicit ? "TLS" : "ImplicitTLS";
            SCOPED_TRACE(security + (passive ? " passive" : " active"));
            const std::string home = makeFolder(temp.file(security + (passive ? "-passive" : "-active")));
            FtpTestServer server = tlsServer(home, tls);
            EXPECT_EQ(send(settingsFor(server.port(), security, passive, "nightly/firebird")), "");
            EXPECT_TRUE(test::readFile(home + "/nightly/firebird/" + kArchiveName) == content)
                << "the upload arrived whole";
        }
    }
}

TEST_F(FtpTlsTest, VsftpdTakesUploadsOverExplicitTlsWhoseDataConnectionsResumeTheSession) {
    for (const bool passive : {true, false}) {
        SCOPED_TRACE(passive ? "passive" : "active");
        test::VsftpdServer server(temp.file(passive ? "vsftpd-passive" : "vsftpd-active"),
                                  certificates.trusted().certificate, certificates.trusted().key);
        FtpSettings settings = settingsFor(server.port(), "TLS", passive, "incoming/nightly");
        settings.user = "anonymous";
        settings.password = "";
        EXPECT_EQ(send(settings), "");
        EXPECT_TRUE(test::readFile(server.incoming() + "/nightly/" + kArchiveName) == content)
            << "the upload arrived whole";
    }
}

TEST_F(FtpTlsTest, SettingsAndServersThatDoNotAgreeFailWithAClearLineAndNothingArrives) {
    const std::string home = makeFolder(temp.file("home"));
    FtpTestServer plain(home, "backup", "s3cret pass");
    FtpTestServer explicitTls = tlsServer(home, FtpTestTls::Explicit);
    FtpTestServer implicitTls = tlsServer(home, FtpTestTls::Implicit);
    ScriptedServer closesAtOnce({ScriptedServer::close()});
    ScriptedServer closesAfterAuth(
        {ScriptedServer::send("220 ready\r\n"), ScriptedServer::expect("234 Go on.\r\n"), ScriptedServer::close()});
    const struct {
        const char* name;
        FtpSettings settings;
        std::string failure; // the whole text, or its beginning where it ends with the TLS library's reason
    } cases[] = {
        {"an unknown Security value", settingsFor(plain.port(), "SSL", true),
         "The FTP security \"SSL\" is none of None, TLS and ImplicitTLS."},
        {"an unreadable CAFile",
         {"127.0.0.1", std::to_string(explicitTls.port()), "backup", "s3cret pass", true, "", "TLS",
          temp.file("missing.pem")},
         "Cannot read the trusted certificates file " + temp.file("missing.pem") + ": No such file or directory"},
        {"no CAFile for a private CA",
         {"127.0.0.1", std::to_string(implicitTls.port()), "backup", "s3cret pass", true, "", "ImplicitTLS", ""},
         "certificate verify failed: "},
        {"a close during the implicit handshake", settingsFor(closesAtOnce.port(), "ImplicitTLS", true),
         "TLS handshake failed: "},
        {"a close during the handshake after AUTH TLS", settingsFor(closesAfterAuth.port(), "TLS", true),
         "TLS handshake failed: "},
        {"a TLS server on a port set for None", settingsFor(implicitTls.port(), "None", true),
         "Socket Error # 110\r\nConnection timed out"},
        {"a plain server on a port set for ImplicitTLS", settingsFor(plain.port(), "ImplicitTLS", true),
         "TLS handshake failed: "},
        {"a plain server on a port set for TLS", settingsFor(plain.port(), "TLS", true),
         "Command \"AUTH\" not understood.\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string failure = send(c.settings, {5s, 3s, 3s});
        EXPECT_EQ(failure.substr(0, c.failure.size()), c.failure) << failure;
        EXPECT_GT(failure.size(), c.failure.ends_with(": ") ? c.failure.size() : 0) << "the reason follows";
        EXPECT_EQ(test::listing(home), std::vector<std::string>{}) << "nothing arrived";
    }
}

} // namespace
} // namespace tervolen
