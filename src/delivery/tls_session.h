#pragma once

#include "core/errors.h"

#include <cstddef>
#include <memory>
#include <string>

using SSL = struct ssl_st;
using SSL_CTX = struct ssl_ctx_st;
using SSL_SESSION = struct ssl_session_st;

namespace tervolen {

// A TLS failure, in one line: "certificate verify failed: self-signed certificate", "host name mismatch",
// "TLS handshake failed: ...".
class TlsError : public Error {
public:
    using Error::Error;
};

struct TlsOptions {
    std::string serverName; // host name or IP address the certificate must name; sent as SNI when a name
    std::string caFile;     // PEM file of trusted certificates; empty: the system's trust store
};

// What a TLS call needs before it can go on.
enum class TlsWait { none, readable, writable };

struct TlsTransfer {
    std::size_t bytes = 0;
    TlsWait wait = TlsWait::none;
    bool closed = false; // the peer closed the connection
};

// A TLS 1.2+ client over a connected non-blocking socket that it does not own. Its calls never block: each
// says which readiness of the socket it waits for, and the socket does the bounded wait.
class TlsSession {
public:
    // Throws TlsError for an unreadable caFile or an empty server name. resumeFrom: a session whose TLS
    // session this one resumes (FTP data connections), and whose settings it shares.
    TlsSession(int fd, const TlsOptions& options, const TlsSession* resumeFrom = nullptr);
    TlsSession(const TlsSession&) = delete;
    TlsSession& operator=(const TlsSession&) = delete;
    ~TlsSession();

    // One step of the handshake; TlsWait::none once it is done. Throws TlsError.
    TlsWait handshake();
    // Throws TlsError, SocketError.
    TlsTransfer read(char* buffer, std::size_t capacity);
    TlsTransfer write(const char* data, std::size_t size);
    // Whether decrypted bytes wait to be read.
    bool hasPending() const;
    // Whether a read would not wait (bytes, the peer's close or an error are there), after taking in the records
    // that hold no bytes for the reader, such as TLS 1.3 session tickets.
    bool readReady();
    // Sends close_notify; TlsWait::none once it went out.
    TlsWait shutdown() noexcept;
    // Whether the handshake resumed the session of resumeFrom.
    bool resumed() const;
    std::string protocolVersion() const;

private:
    static int keepNewSession(SSL* ssl, SSL_SESSION* session);
    [[noreturn]] void throwHandshakeFailure(int result, int error) const;
    TlsTransfer transferResult(int result);

    std::shared_ptr<SSL_CTX> context_;
    std::unique_ptr<SSL, void (*)(SSL*)> ssl_;
    // The latest resumable session the server gave (TLS 1.3 sends its tickets after the handshake).
    std::shared_ptr<SSL_SESSION> latestSession_;
    bool failed_ = false;
};

} // namespace tervolen
