#pragma once

#include "core/errors.h"
#include "delivery/tls_session.h"

#include <chrono>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>

namespace tervolen {

// A socket failure: "Socket Error # N", CR LF, the system's text for N. A failed name lookup
// gives the number 11001 and the text "Host not found.".
class SocketError : public Error {
public:
    SocketError(int code, const std::string& systemText);
    int code() const { return code_; }

private:
    int code_;
};

// Bounds on network waits; a wait that runs out fails as ETIMEDOUT.
struct NetworkTimeouts {
    std::chrono::milliseconds connect{30000};
    std::chrono::milliseconds reply{120000};
    std::chrono::milliseconds dataIdle{120000};
};

// Throws SocketError EINVAL for a port outside 1..65535, which a connection could only reach by wrapping round.
void requireConnectablePort(int port);

// A connected IPv4 TCP socket, in clear or, after startTls, through TLS. Move-only; closes on destruction.
class TcpSocket {
public:
    TcpSocket() = default;
    explicit TcpSocket(int fd) : fd_(fd) {}
    TcpSocket(TcpSocket&& other) noexcept;
    TcpSocket& operator=(TcpSocket&& other) noexcept;
    TcpSocket(const TcpSocket&) = delete;
    TcpSocket& operator=(const TcpSocket&) = delete;
    ~TcpSocket() { close(); }

    // Resolves host (a dotted IPv4 address is used as it is) and connects. Throws SocketError, EINVAL for a port
    // outside 1..65535.
    static TcpSocket connect(const std::string& host, int port, std::chrono::milliseconds timeout);

    bool isOpen() const { return fd_ >= 0; }
    // Makes the TLS handshake within timeout; from then on every read and write goes through TLS. reuseSessionOf:
    // an encrypted socket (an FTP control connection) whose TLS session this one resumes. Closes the socket and
    // throws TlsError when the handshake fails, SocketError when the socket does.
    void startTls(const TlsOptions& options, std::chrono::milliseconds timeout,
                  const TcpSocket* reuseSessionOf = nullptr);
    bool isEncrypted() const { return tls_ != nullptr; }
    // Whether the TLS handshake resumed the session of reuseSessionOf.
    bool resumedTlsSession() const { return tls_ && tls_->resumed(); }
    // Writes every byte within timeout for the whole call, or throws SocketError (ETIMEDOUT when the peer did not
    // take them all in time).
    void writeAll(const char* data, std::size_t size, std::chrono::milliseconds timeout);
    void writeAll(const std::string& data, std::chrono::milliseconds timeout) {
        writeAll(data.data(), data.size(), timeout);
    }
    // Reads what is available, waiting at most timeout in all for the first byte. Returns 0 when the peer
    // closed its end. Throws SocketError, ETIMEDOUT when nothing came in time.
    std::size_t readSome(char* buffer, std::size_t capacity, std::chrono::milliseconds timeout);
    // Whether bytes (or the peer's close) can be read within timeout.
    bool waitReadable(std::chrono::milliseconds timeout) const;
    // Local IPv4 address in dotted form and port of the connection.
    std::string localAddress() const;
    int localPort() const;
    // The peer's IPv4 address in dotted form.
    std::string peerAddress() const;
    // Sends TLS close_notify when encrypted, waiting at most timeout for room to send it, then closes.
    void close(std::chrono::milliseconds timeout) noexcept;
    // The same without waiting.
    void close() noexcept { close(std::chrono::milliseconds(0)); }
    // Ends the sending side (close_notify when encrypted, then a TCP half-close) and waits at most timeout in all
    // for the peer to close its end, dropping what it still sends, then closes: the end of an upload whose receiver
    // reads the connection to its end.
    void closeAfterPeer(std::chrono::milliseconds timeout) noexcept;

private:
    void sendCloseNotify(std::chrono::steady_clock::time_point deadline) noexcept;
    void writeAllTls(const char* data, std::size_t size, std::chrono::steady_clock::time_point deadline);

    int fd_ = -1;
    std::unique_ptr<TlsSession> tls_;
};

// A listening IPv4 TCP socket for one incoming connection (FTP data connections).
class TcpListener {
public:
    TcpListener(const TcpListener&) = delete;
    TcpListener& operator=(const TcpListener&) = delete;
    TcpListener(TcpListener&& other) noexcept;
    ~TcpListener();

    // Binds to address and port (0: the system picks one) and listens. Throws SocketError.
    static TcpListener listen(const std::string& address, int port);
    int port() const;
    std::string address() const;
    // The next incoming connection, or nothing when none came within timeout.
    std::optional<TcpSocket> accept(std::chrono::milliseconds timeout);

private:
    explicit TcpListener(int fd) : fd_(fd) {}
    int fd_ = -1;
};

} // namespace tervolen
