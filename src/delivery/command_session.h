#pragma once

#include "core/errors.h"
#include "delivery/reply_reader.h"
#include "delivery/tcp_socket.h"

#include <chrono>
#include <functional>
#include <string>
#include <string_view>

namespace tervolen {

// The command/reply dialogue that SMTP and FTP speak over one connection: a command line goes out, a numbered
// reply of one or more lines comes back. The protocols differ in the rule that ends a reply, which the caller
// gives with each read. A failure of the exchange (a write, a read, a reply past its bounds or not understood)
// closes the connection, since the dialogue can no longer be followed; so does the peer's hang-up once its last
// bytes are read.
class CommandSession {
public:
    // The failure for a command line that holds CR or LF, made from that line.
    using LineBreakRefusal = Error (*)(const std::string& line);
    // Takes one reply line (without its line end) into the reply being read; true when the line ends the reply.
    using ReplyLineRule = std::function<bool(std::string_view line)>;

    explicit CommandSession(LineBreakRefusal refuseLineBreak, ReplyLimits limits = {});
    // A session over a socket that is already connected.
    CommandSession(TcpSocket socket, LineBreakRefusal refuseLineBreak, ReplyLimits limits = {});
    CommandSession(const CommandSession&) = delete;
    CommandSession& operator=(const CommandSession&) = delete;

    // Closes an open connection, then connects. Throws SocketError (as TcpSocket::Connect).
    void open(const std::string& host, int port, std::chrono::milliseconds timeout);
    bool isOpen() const { return socket_.isOpen(); }
    // Whether the connection is open: bytes already sent by the peer are taken in first, and unread bytes keep
    // it open after the peer's close; without them the peer's close closes it here too.
    bool connected();
    void close() noexcept;
    // Makes the TLS handshake on the open connection within timeout (after STARTTLS or AUTH TLS was accepted, or
    // right after connecting). Bytes that came in clear after the last reply would pass as encrypted replies, so
    // they refuse it. Closes the connection and throws TlsError or SocketError when it fails.
    void startTls(const TlsOptions& options, std::chrono::milliseconds timeout);
    bool isEncrypted() const { return socket_.isEncrypted(); }
    // The connection, for a data connection that resumes its TLS session.
    const TcpSocket& socket() const { return socket_; }

    // Writes line and CR LF within timeout. Throws Error "Not Connected" without a connection, the refusal for a
    // line holding CR or LF before sending anything, SocketError.
    void sendCommand(const std::string& line, std::chrono::milliseconds timeout);
    // Writes bytes as they are, within timeout. Throws SocketError.
    void sendData(std::string_view data, std::chrono::milliseconds timeout);

    // Reads one reply within timeout and ReplyLimits, each line through endsReply. Throws as ReplyReader::readLine,
    // ReplyBound::count and endsReply do.
    void readReply(const ReplyLineRule& endsReply, std::chrono::milliseconds timeout);
    // The same for a protocol whose rule fills a reply of its own type (AddSmtpReplyLine, AddFtpReplyLine).
    template <typename Reply>
    void readReply(Reply& reply, bool (*addLine)(Reply&, std::string_view), std::chrono::milliseconds timeout) {
        readReply([&reply, addLine](std::string_view line) { return addLine(reply, line); }, timeout);
    }
    // Whether reply bytes (or the peer's close) are there or come within timeout.
    bool replyWaiting(std::chrono::milliseconds timeout);

    // The local and the peer's IPv4 address of the connection, in dotted form.
    std::string localAddress() const { return socket_.localAddress(); }
    std::string peerAddress() const { return socket_.peerAddress(); }

private:
    void requireOpen() const;
    void write(std::string_view data, std::chrono::milliseconds timeout);

    LineBreakRefusal refuseLineBreak_;
    ReplyLimits limits_;
    TcpSocket socket_;
    ReplyReader reader_;
};

} // namespace tervolen
