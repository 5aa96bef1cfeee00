#pragma once

#include "delivery/tcp_socket.h"

#include <chrono>
#include <cstddef>
#include <string>

namespace tervolen {

// The text of a failure when the server closed the connection while an answer was awaited.
inline constexpr const char* kConnectionClosedGracefully = "Connection Closed Gracefully.";

// Reads a server's replies line by line from a socket; received bytes wait in the reader until asked for.
class ReplyReader {
public:
    static constexpr std::size_t kMaxLineLength = 16384;

    // The next line without its LF and a CR before it. After the peer's close, a last line without LF is
    // still given; then Error "Connection Closed Gracefully.". A line longer than kMaxLineLength fails with
    // Error "Max line length exceeded.". Socket failures and the deadline throw SocketError.
    std::string readLine(TcpSocket& socket, std::chrono::steady_clock::time_point deadline);

    // Takes in what the peer has already sent, without waiting. A socket failure counts as the peer's close.
    void takeInPending(TcpSocket& socket);

    bool hasUnreadData() const { return start_ < buffer_.size(); }
    bool peerClosed() const { return peerClosed_; }
    // Forgets the unread bytes and the close, for a new connection.
    void reset();

private:
    // Reads once into the buffer; false when the peer has closed.
    bool receive(TcpSocket& socket, std::chrono::milliseconds timeout);

    std::string buffer_;
    std::size_t start_ = 0; // first unread byte of buffer_
    bool peerClosed_ = false;
};

} // namespace tervolen
