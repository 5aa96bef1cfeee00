#pragma once

#include <string>
#include <sys/types.h>

namespace tervolen::test {

// Debian's vsftpd in the foreground on 127.0.0.1 at a free port, from a configuration file of its own in folder:
// anonymous login, uploads and new folders allowed below "incoming", explicit TLS required for the login and the
// data with the certificate and key PEM files, data connections that must resume the control connection's TLS
// session (vsftpd's default), passive data ports from a free one. Stopped by the destructor.
class VsftpdServer {
public:
    VsftpdServer(const std::string& folder, const std::string& certificate, const std::string& key);
    VsftpdServer(const VsftpdServer&) = delete;
    VsftpdServer& operator=(const VsftpdServer&) = delete;
    ~VsftpdServer();

    int port() const { return port_; }
    // The folder that anonymous uploads go into, as the server's "incoming".
    const std::string& incoming() const { return incoming_; }

private:
    pid_t pid_ = -1;
    int port_ = 0;
    std::string incoming_;
};

} // namespace tervolen::test
