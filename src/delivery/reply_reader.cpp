#include "delivery/reply_reader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace tervolen {

namespace {

constexpr std::size_t kReceiveBlock = 32768;

std::chrono::milliseconds timeLeft(std::chrono::steady_clock::time_point deadline) {
    auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    return std::max(left, std::chrono::milliseconds(0));
}

} // namespace

void ReplyBound::count(std::string_view line) {
    ++lines_;
    bytes_ += line.size();
    if (lines_ > limits_.lines)
        throw Error("The server's reply is longer than " + std::to_string(limits_.lines) + " lines.");
    if (bytes_ > limits_.bytes)
        throw Error("The server's reply is longer than " + std::to_string(limits_.bytes) + " bytes.");
}

std::string ReplyReader::readLine(TcpSocket& socket, std::chrono::steady_clock::time_point deadline) {
    std::size_t scanned = 0; // bytes after start_ already searched for LF
    for (;;) {
        std::size_t lf = buffer_.find('\n', start_ + scanned);
        if (lf != std::string::npos || (peerClosed_ && hasUnreadData())) {
            std::size_t end = lf == std::string::npos ? buffer_.size() : lf;
            if (end > start_ && buffer_[end - 1] == '\r')
                --end;
            if (end - start_ > kMaxLineLength)
                throw Error("Max line length exceeded.");
            std::string line = buffer_.substr(start_, end - start_);
            start_ = lf == std::string::npos ? buffer_.size() : lf + 1;
            return line;
        }
        if (peerClosed_)
            throw Error(kConnectionClosedGracefully);
        // One more byte may still be the CR of a line of the longest length.
        if (buffer_.size() - start_ > kMaxLineLength + 1)
            throw Error("Max line length exceeded.");
        scanned = buffer_.size() - start_;
        if (!receive(socket, timeLeft(deadline)))
            peerClosed_ = true;
    }
}

void ReplyReader::takeInPending(TcpSocket& socket) {
    try {
        while (!peerClosed_ && socket.waitReadable(std::chrono::milliseconds(0)))
            if (!receive(socket, std::chrono::milliseconds(0)))
                peerClosed_ = true;
    } catch (const SocketError&) {
        peerClosed_ = true;
    }
}

void ReplyReader::reset() {
    buffer_.clear();
    start_ = 0;
    peerClosed_ = false;
}

bool ReplyReader::receive(TcpSocket& socket, std::chrono::milliseconds timeout) {
    if (start_ > 0 && start_ >= buffer_.size() / 2) {
        buffer_.erase(0, start_);
        start_ = 0;
    }
    std::size_t size = buffer_.size();
    buffer_.resize(size + kReceiveBlock);
    std::size_t n = 0;
    try {
        n = socket.readSome(buffer_.data() + size, kReceiveBlock, timeout);
    } catch (...) {
        buffer_.resize(size);
        throw;
    }
    buffer_.resize(size + n);
    return n > 0;
}

} // namespace tervolen
