#pragma once

#include <string>
#include <sys/types.h>

namespace tervolen::test {

// How the sink talks: TLS with the given certificate, and a login it requires.
struct SmtpSinkOptions {
    enum class Tls { none, startTlsRequired, implicit };
    Tls tls = Tls::none;
    std::string certificate; // PEM files, for tls other than none
    std::string key;
    std::string login;                          // "user:password": AUTH required before MAIL; empty: no AUTH
    std::string authMechanisms = "PLAIN,LOGIN"; // offered with login
};

// Debian's aiosmtpd on 127.0.0.1 at a free port (tests/support/smtp_sink.py), saving every message it
// receives into folder as NNNN.eml with its envelope and size in NNNN.json, and every byte the clients sent into
// transcriptPath(). Stopped by the destructor.
class SmtpSink {
public:
    explicit SmtpSink(const std::string& folder, const SmtpSinkOptions& options = {});
    SmtpSink(const SmtpSink&) = delete;
    SmtpSink& operator=(const SmtpSink&) = delete;
    ~SmtpSink();

    int port() const { return port_; }
    // Path of the n-th received message (1, 2, ...) with the given extension (".eml" or ".json").
    std::string messagePath(int n, const std::string& extension) const;
    std::string transcriptPath() const { return folder_ + "/transcript.txt"; }

private:
    std::string folder_;
    pid_t pid_ = -1;
    int port_ = 0;
};

} // namespace tervolen::test
