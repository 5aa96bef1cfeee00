#include "reply_stream.h"

#include "delivery/reply_reader.h"
#include "fuzz_support.h"

#include <algorithm>
#include <cerrno>
#include <sys/socket.h>

namespace tervolen::fuzz {

namespace {

// The reader takes in at most this much at once; a longer record would be cut.
constexpr size_t kLargestPiece = 32768;
// Records that a socket pair holds without the sender waiting.
constexpr size_t kMostPieces = 200;

} // namespace

ReplyLimits fuzzReplyLimits(std::string_view bytes) {
    if (bytes.size() % 2 == 0)
        return {};
    return {1 + bytes.size() % 37, 1 + bytes.size() % 2053};
}

std::string replyBoundFailure(const ReplyLimits& limits, std::string_view line, size_t& lines, size_t& bytes) {
    ++lines;
    bytes += line.size();
    if (lines > limits.lines)
        return "The server's reply is longer than " + std::to_string(limits.lines) + " lines.";
    if (bytes > limits.bytes)
        return "The server's reply is longer than " + std::to_string(limits.bytes) + " bytes.";
    return {};
}

ReplyInput splitReplyInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return {};
    const unsigned steps = data[0] & 0x7F;
    ReplyInput input{steps == 0 ? kLargestPiece : steps * 3u, (data[0] & 0x80) != 0, inputText(data + 1, size - 1)};
    input.pieceSize = std::max(input.pieceSize, (input.bytes.size() + kMostPieces - 1) / kMostPieces);
    input.pieceSize = std::min(input.pieceSize, kLargestPiece);
    return input;
}

ReplyStream::ReplyStream(std::string_view bytes, size_t pieceSize) {
    int pair[2];
    require(::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair) == 0, "a socket pair can be made");
    receiving_ = TcpSocket(pair[0]);
    const FileDescriptor sending(pair[1]);
    size_t done = 0;
    while (done < bytes.size()) {
        const size_t piece = std::min(pieceSize, bytes.size() - done);
        const ssize_t n = ::send(sending.get(), bytes.data() + done, piece, MSG_DONTWAIT | MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            break;
        require(static_cast<size_t>(n) == piece, "a record is sent whole");
        done += piece;
    }
    sent_ = bytes.substr(0, done);
}

ExpectedLines splitReplyLines(std::string_view bytes) {
    ExpectedLines expected;
    while (!bytes.empty()) {
        const size_t lf = bytes.find('\n');
        std::string_view line = bytes.substr(0, lf);
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        if (line.size() > ReplyReader::kMaxLineLength) {
            expected.tooLong = true;
            return expected;
        }
        expected.lines.emplace_back(line);
        bytes.remove_prefix(lf == std::string_view::npos ? bytes.size() : lf + 1);
    }
    return expected;
}

} // namespace tervolen::fuzz
