#include "delivery/tcp_socket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tervolen {

namespace {

constexpr int kHostNotFound = 11001;

[[noreturn]] void throwErrno(int code) { throw SocketError(code, std::strerror(code)); }

using Deadline = std::chrono::steady_clock::time_point;

// A negative timeout, like one past the clock's range, never runs out.
Deadline deadlineAfter(std::chrono::milliseconds timeout) {
    const auto now = std::chrono::steady_clock::now();
    if (timeout.count() < 0 || timeout > std::chrono::duration_cast<std::chrono::milliseconds>(Deadline::max() - now))
        return Deadline::max();
    return now + timeout;
}

int millisecondsLeft(Deadline deadline) {
    if (deadline == Deadline::max())
        return -1;
    auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
    if (left < 0)
        return 0;
    return left > 0x7fffffff ? 0x7fffffff : static_cast<int>(left);
}

// Waits for the given poll events until deadline, however often the wait is interrupted; false on time-out.
bool waitUntil(int fd, short events, Deadline deadline) {
    pollfd p{fd, events, 0};
    for (;;) {
        int n = ::poll(&p, 1, millisecondsLeft(deadline));
        if (n > 0)
            return true;
        if (n == 0)
            return false;
        if (errno != EINTR)
            throwErrno(errno);
    }
}

bool waitFor(int fd, short events, std::chrono::milliseconds timeout) {
    return waitUntil(fd, events, deadlineAfter(timeout));
}

in_addr resolve(const std::string& host) {
    in_addr address{};
    if (::inet_pton(AF_INET, host.c_str(), &address) == 1)
        return address;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* result = nullptr;
    if (::getaddrinfo(host.c_str(), nullptr, &hints, &result) != 0 || result == nullptr)
        throw SocketError(kHostNotFound, "Host not found.");
    address = reinterpret_cast<sockaddr_in*>(result->ai_addr)->sin_addr;
    ::freeaddrinfo(result);
    return address;
}

sockaddr_in socketAddress(int fd) {
    sockaddr_in address{};
    socklen_t length = sizeof address;
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throwErrno(errno);
    return address;
}

sockaddr_in peerSocketAddress(int fd) {
    sockaddr_in address{};
    socklen_t length = sizeof address;
    if (::getpeername(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throwErrno(errno);
    return address;
}

std::string dotted(in_addr address) {
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &address, text, sizeof text);
    return text;
}

short pollEvents(TlsWait wait) {
    return wait == TlsWait::writable ? POLLOUT : POLLIN;
}

} // namespace

SocketError::SocketError(int code, const std::string& systemText)
    : Error("Socket Error # " + std::to_string(code) + "\r\n" + systemText), code_(code) {}

void requireConnectablePort(int port) {
    if (port < 1 || port > 65535)
        throwErrno(EINVAL);
}

TcpSocket::TcpSocket(TcpSocket&& other) noexcept : fd_(other.fd_), tls_(std::move(other.tls_)) {
    other.fd_ = -1;
}

TcpSocket& TcpSocket::operator=(TcpSocket&& other) noexcept {
    if (this != &other) {
        close();
        fd_ = other.fd_;
        tls_ = std::move(other.tls_);
        other.fd_ = -1;
    }
    return *this;
}

TcpSocket TcpSocket::connect(const std::string& host, int port, std::chrono::milliseconds timeout) {
    requireConnectablePort(port);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr = resolve(host);
    address.sin_port = htons(static_cast<uint16_t>(port));
    TcpSocket socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!socket.isOpen())
        throwErrno(errno);
    if (::connect(socket.fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        if (errno != EINPROGRESS)
            throwErrno(errno);
        if (!waitFor(socket.fd_, POLLOUT, timeout))
            throwErrno(ETIMEDOUT);
        int error = 0;
        socklen_t length = sizeof error;
        ::getsockopt(socket.fd_, SOL_SOCKET, SO_ERROR, &error, &length);
        if (error != 0)
            throwErrno(error);
    }
    int one = 1;
    ::setsockopt(socket.fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return socket;
}

void TcpSocket::startTls(const TlsOptions& options, std::chrono::milliseconds timeout,
                         const TcpSocket* reuseSessionOf) {
    if (!isOpen())
        throwErrno(ENOTCONN);
    const Deadline deadline = deadlineAfter(timeout);
    try {
        tls_ = std::make_unique<TlsSession>(fd_, options, reuseSessionOf ? reuseSessionOf->tls_.get() : nullptr);
        for (TlsWait wait = tls_->handshake(); wait != TlsWait::none; wait = tls_->handshake())
            if (!waitUntil(fd_, pollEvents(wait), deadline))
                throw TlsError(std::string("TLS handshake failed: ") + std::strerror(ETIMEDOUT));
    } catch (...) {
        tls_.reset();
        close();
        throw;
    }
}

void TcpSocket::writeAll(const char* data, std::size_t size, std::chrono::milliseconds timeout) {
    if (!isOpen())
        throwErrno(ENOTCONN);
    // One deadline for the whole call: a peer that takes a few bytes now and then cannot stretch it.
    const Deadline deadline = deadlineAfter(timeout);
    if (tls_) {
        writeAllTls(data, size, deadline);
        return;
    }
    while (size > 0) {
        ssize_t n = ::send(fd_, data, size, MSG_NOSIGNAL);
        if (n > 0) {
            data += n;
            size -= static_cast<std::size_t>(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (!waitUntil(fd_, POLLOUT, deadline))
                throwErrno(ETIMEDOUT);
        } else if (n < 0 && errno != EINTR) {
            throwErrno(errno);
        }
    }
}

void TcpSocket::writeAllTls(const char* data, std::size_t size, Deadline deadline) {
    while (size > 0) {
        const TlsTransfer sent = tls_->write(data, size);
        data += sent.bytes;
        size -= sent.bytes;
        if (sent.closed)
            throwErrno(EPIPE);
        if (sent.wait != TlsWait::none && !waitUntil(fd_, pollEvents(sent.wait), deadline))
            throwErrno(ETIMEDOUT);
    }
}

std::size_t TcpSocket::readSome(char* buffer, std::size_t capacity, std::chrono::milliseconds timeout) {
    if (!isOpen())
        throwErrno(ENOTCONN);
    const Deadline deadline = deadlineAfter(timeout);
    while (tls_) {
        const TlsTransfer received = tls_->read(buffer, capacity);
        if (received.bytes > 0 || received.closed)
            return received.bytes;
        if (!waitUntil(fd_, pollEvents(received.wait), deadline))
            throwErrno(ETIMEDOUT);
    }
    for (;;) {
        ssize_t n = ::recv(fd_, buffer, capacity, 0);
        if (n >= 0)
            return static_cast<std::size_t>(n);
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            if (!waitUntil(fd_, POLLIN, deadline))
                throwErrno(ETIMEDOUT);
        } else if (errno != EINTR) {
            throwErrno(errno);
        }
    }
}

bool TcpSocket::waitReadable(std::chrono::milliseconds timeout) const {
    if (!isOpen())
        return false;
    if (!tls_)
        return waitFor(fd_, POLLIN, timeout);
    const Deadline deadline = deadlineAfter(timeout);
    while (!tls_->hasPending() && !tls_->readReady())
        if (!waitUntil(fd_, POLLIN, deadline))
            return false;
    return true;
}

std::string TcpSocket::localAddress() const { return dotted(socketAddress(fd_).sin_addr); }

int TcpSocket::localPort() const { return ntohs(socketAddress(fd_).sin_port); }

std::string TcpSocket::peerAddress() const { return dotted(peerSocketAddress(fd_).sin_addr); }

void TcpSocket::sendCloseNotify(Deadline deadline) noexcept {
    if (tls_ && fd_ >= 0) {
        try {
            for (TlsWait wait = tls_->shutdown(); wait == TlsWait::writable; wait = tls_->shutdown())
                if (!waitUntil(fd_, POLLOUT, deadline))
                    break;
        } catch (const SocketError&) {
            // The connection is closed all the same.
        }
    }
}

void TcpSocket::close(std::chrono::milliseconds timeout) noexcept {
    sendCloseNotify(deadlineAfter(timeout));
    tls_.reset();
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

void TcpSocket::closeAfterPeer(std::chrono::milliseconds timeout) noexcept {
    if (fd_ < 0)
        return;
    const Deadline deadline = deadlineAfter(timeout);
    sendCloseNotify(deadline);
    ::shutdown(fd_, SHUT_WR);
    // Closing with bytes unread (a TLS session ticket, the peer's close_notify) would reset the connection, and a
    // reset drops what the peer has not read yet: the end of an upload.
    try {
        char discarded[4096];
        while (waitUntil(fd_, POLLIN, deadline)) {
            const ssize_t n = ::recv(fd_, discarded, sizeof discarded, 0);
            if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK))
                break;
        }
    } catch (const SocketError&) {
        // The connection is closed below all the same.
    }
    close();
}

TcpListener::TcpListener(TcpListener&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }

TcpListener::~TcpListener() {
    if (fd_ >= 0)
        ::close(fd_);
}

TcpListener TcpListener::listen(const std::string& address, int port) {
    sockaddr_in bindAddress{};
    bindAddress.sin_family = AF_INET;
    bindAddress.sin_port = htons(static_cast<uint16_t>(port));
    if (::inet_pton(AF_INET, address.c_str(), &bindAddress.sin_addr) != 1)
        throwErrno(EINVAL);
    TcpListener listener(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (listener.fd_ < 0)
        throwErrno(errno);
    if (::bind(listener.fd_, reinterpret_cast<sockaddr*>(&bindAddress), sizeof bindAddress) != 0 ||
        ::listen(listener.fd_, 1) != 0)
        throwErrno(errno);
    return listener;
}

int TcpListener::port() const { return ntohs(socketAddress(fd_).sin_port); }

std::string TcpListener::address() const { return dotted(socketAddress(fd_).sin_addr); }

std::optional<TcpSocket> TcpListener::accept(std::chrono::milliseconds timeout) {
    if (!waitFor(fd_, POLLIN, timeout))
        return std::nullopt;
    int fd = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0)
        throwErrno(errno);
    return TcpSocket(fd);
}

} // namespace tervolen
