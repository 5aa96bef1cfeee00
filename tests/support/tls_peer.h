#pragma once

#include "child_process.h"

#include <string>

namespace tervolen::test {

// A TLS peer on 127.0.0.1 at a free port (tests/support/tls_peer.py): an echo server with the given certificate,
// or a peer that closes during the handshake, answers in plain text, or stays silent. Stopped by the destructor.
class TlsPeer {
public:
    enum class Mode { echo, close, garbage, silent };

    // maxVersion: "1.2" or "1.3" (echo only).
    explicit TlsPeer(Mode mode, const std::string& certificate = {}, const std::string& key = {},
                     const std::string& maxVersion = "1.3");

    int port() const { return port_; }
    // The peer's next event line without its line feed ("handshake TLSv1.3 reused=False", "closed clean"); empty
    // once the peer has ended.
    std::string nextEvent();

private:
    ChildProcess process_;
    int port_ = 0;
};

} // namespace tervolen::test
