#pragma once

#include "core/posix_file.h"
#include "delivery/reply_reader.h"
#include "delivery/tcp_socket.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tervolen::fuzz {

// A server's reply bytes as the fuzzer's input gives them: the first byte says how they arrive, the rest are
// the bytes. Low 7 bits: 0 for pieces of 32 KiB, else pieces of that many times 3 bytes; high bit: the client
// takes in what is pending before each line.
struct ReplyInput {
    size_t pieceSize = 0;
    bool takeInPending = false;
    std::string_view bytes;
};
ReplyInput splitReplyInput(const uint8_t* data, size_t size);

// Delivers bytes through a socket pair in records of pieceSize bytes (each arrives by itself, like a TCP
// segment), then closes the sending end. Where the pair cannot hold everything, the rest is left out: sent()
// says what was delivered.
class ReplyStream {
public:
    ReplyStream(std::string_view bytes, size_t pieceSize);

    TcpSocket& socket() { return receiving_; }
    std::string_view sent() const { return sent_; }

private:
    TcpSocket receiving_;
    std::string_view sent_;
};

// The lines that ReplyReader::readLine should give for bytes followed by the peer's close.
struct ExpectedLines {
    std::vector<std::string> lines;
    // The first line too long to give; lines holds the lines before it.
    bool tooLong = false;
};
ExpectedLines splitReplyLines(std::string_view bytes);

// The reply bounds for an input: small ones for inputs of odd length, so that short inputs reach them too; the
// client's own for the rest.
ReplyLimits fuzzReplyLimits(std::string_view bytes);

// What the bounds say of one more line of a reply: the failure text once the reply's lines, counted with line,
// pass them; empty while they hold. Counts into lines and bytes.
std::string replyBoundFailure(const ReplyLimits& limits, std::string_view line, size_t& lines, size_t& bytes);

// A deadline that the fuzzer never reaches, as every byte is there before reading starts.
inline std::chrono::steady_clock::time_point farDeadline() {
    return std::chrono::steady_clock::now() + std::chrono::seconds(60);
}

} // namespace tervolen::fuzz
