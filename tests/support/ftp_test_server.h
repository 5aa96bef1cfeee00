#pragma once

#include <string>
#include <sys/types.h>

namespace tervolen::test {

// Debian's pyftpdlib on 127.0.0.1 at a free port (tests/support/ftp_test_server.py), serving one user whose
// home is the given folder. Stopped by the destructor.
class FtpTestServer {
public:
    FtpTestServer(const std::string& home, const std::string& user, const std::string& password);
    FtpTestServer(const FtpTestServer&) = delete;
    FtpTestServer& operator=(const FtpTestServer&) = delete;
    ~FtpTestServer();

    int port() const { return port_; }

private:
    pid_t pid_ = -1;
    int port_ = 0;
};

} // namespace tervolen::test
