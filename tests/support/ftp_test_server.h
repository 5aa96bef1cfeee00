#pragma once

#include <string>
#include <vector>
#include <sys/types.h>

namespace tervolen::test {

// How the test server protects its connections: in clear, or requiring TLS on the control and data connections
// after AUTH TLS (Explicit) or from the first byte (Implicit).
enum class FtpTestTls { None, Explicit, Implicit };

// A fault of the server in clear: every DELE refused with 550 and nothing deleted, or the server killing itself with
// SIGKILL at the second DELE, after deleting at the first.
enum class FtpTestFault { RefuseDele, DieAtSecondDele };

// Debian's pyftpdlib on 127.0.0.1 at a free port (tests/support/ftp_test_server.py), serving one user whose
// home is the given folder. Stopped by the destructor.
class FtpTestServer {
public:
    FtpTestServer(const std::string& home, const std::string& user, const std::string& password);
    // With TLS, showing the certificate of the PEM files certificate and key.
    FtpTestServer(const std::string& home, const std::string& user, const std::string& password, FtpTestTls tls,
                  const std::string& certificate, const std::string& key);
    FtpTestServer(const std::string& home, const std::string& user, const std::string& password, FtpTestFault fault);
    FtpTestServer(const FtpTestServer&) = delete;
    FtpTestServer& operator=(const FtpTestServer&) = delete;
    ~FtpTestServer();

    int port() const { return port_; }

private:
    // Starts the server with these arguments after the four of every server.
    void start(const std::string& home, const std::string& user, const std::string& password,
               const std::vector<std::string>& options);

    pid_t pid_ = -1;
    int port_ = 0;
};

} // namespace tervolen::test
