#include "delivery/command_session.h"

#include <utility>

namespace tervolen {

CommandSession::CommandSession(LineBreakRefusal refuseLineBreak, ReplyLimits limits)
    : refuseLineBreak_(refuseLineBreak), limits_(limits) {}

CommandSession::CommandSession(TcpSocket socket, LineBreakRefusal refuseLineBreak, ReplyLimits limits)
    : refuseLineBreak_(refuseLineBreak), limits_(limits), socket_(std::move(socket)) {}

void CommandSession::open(const std::string& host, int port, std::chrono::milliseconds timeout) {
    close();
    socket_ = TcpSocket::connect(host, port, timeout);
}

bool CommandSession::connected() {
    if (!socket_.isOpen())
        return false;
    reader_.takeInPending(socket_);
    if (reader_.peerClosed() && !reader_.hasUnreadData()) {
        close();
        return false;
    }
    return true;
}

void CommandSession::close() noexcept {
    socket_.close();
    reader_.reset();
}

void CommandSession::startTls(const TlsOptions& options, std::chrono::milliseconds timeout) {
    requireOpen();
    if (reader_.hasUnreadData()) {
        close();
        throw TlsError("TLS handshake refused: the server sent unencrypted data after its reply");
    }
    try {
        socket_.startTls(options, timeout);
    } catch (...) {
        close();
        throw;
    }
}

void CommandSession::sendCommand(const std::string& line, std::chrono::milliseconds timeout) {
    requireOpen();
    if (line.find_first_of("\r\n") != std::string::npos)
        throw refuseLineBreak_(line);
    write(line + "\r\n", timeout);
}

void CommandSession::sendData(std::string_view data, std::chrono::milliseconds timeout) {
    write(data, timeout);
}

void CommandSession::readReply(const ReplyLineRule& endsReply, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    try {
        ReplyBound bound(limits_);
        for (bool ended = false; !ended;) {
            const std::string line = reader_.readLine(socket_, deadline);
            bound.count(line);
            ended = endsReply(line);
        }
    } catch (...) {
        close();
        throw;
    }
}

bool CommandSession::replyWaiting(std::chrono::milliseconds timeout) {
    return reader_.hasUnreadData() || socket_.waitReadable(timeout);
}

void CommandSession::requireOpen() const {
    if (!socket_.isOpen())
        throw Error("Not Connected");
}

void CommandSession::write(std::string_view data, std::chrono::milliseconds timeout) {
    try {
        socket_.writeAll(data.data(), data.size(), timeout);
    } catch (...) {
        close();
        throw;
    }
}

} // namespace tervolen
