#pragma once

#include <string>
#include <sys/types.h>

namespace tervolen::test {

// Debian's aiosmtpd on 127.0.0.1 at a free port (tests/support/smtp_sink.py), saving every message it
// receives into folder as NNNN.eml with its envelope and size in NNNN.json. Stopped by the destructor.
class SmtpSink {
public:
    explicit SmtpSink(const std::string& folder);
    SmtpSink(const SmtpSink&) = delete;
    SmtpSink& operator=(const SmtpSink&) = delete;
    ~SmtpSink();

    int port() const { return port_; }
    // Path of the n-th received message (1, 2, ...) with the given extension (".eml" or ".json").
    std::string messagePath(int n, const std::string& extension) const;

private:
    std::string folder_;
    pid_t pid_ = -1;
    int port_ = 0;
};

} // namespace tervolen::test
