#pragma once

#include "delivery/tcp_socket.h"

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>

namespace tervolen {

// The text of a failure when the server closed the connection while an answer was awaited.
inline constexpr const char* kConnectionClosedGracefully = "Connection Closed Gracefully.";

// The size bounds of one server reply, all its lines together.
struct ReplyLimits {
    std::size_t lines = 1000;
    std::size_t bytes = 65536;
};

// Counts the lines of one reply as they come in, blank ones too, so that no server can make a reply endless.
class ReplyBound {
public:
    explicit ReplyBound(ReplyLimits limits = {}) : limits_(limits) {}
    // Throws Error "The server's reply is longer than N lines." or "... than N bytes." when line takes the reply
    // past its limits; line is the line without its line end.
    void count(std::string_view line);

private:
    ReplyLimits limits_;
    std::size_t lines_ = 0;
    std::size_t bytes_ = 0;
};

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
