// FTP replies as a server sends them (see ReplyInput for the first byte), read through the command session as the
// client reads them. Each reply must be the one that the lines of the bytes make, and reading ends with the first
// failure those lines call for, which closes the session.
#include "core/errors.h"
#include "delivery/command_session.h"
#include "delivery/ftp_reply.h"
#include "fuzz_support.h"
#include "reply_stream.h"

#include <cstdint>
#include <string>
#include <vector>

using namespace tervolen;
using namespace tervolen::fuzz;

namespace {

// A reply that the client should get, or the refusal of a reply's first line.
struct Outcome {
    FtpReply reply;
    std::string error;
};

// A reply past its bounds or without a valid code ends the reading: the session closes the connection.
std::vector<Outcome> expectedOutcomes(const ExpectedLines& expected, const ReplyLimits& limits) {
    std::vector<Outcome> outcomes;
    FtpReply reply;
    size_t lines = 0;
    size_t bytes = 0;
    for (const std::string& line : expected.lines) {
        if (std::string bound = replyBoundFailure(limits, line, lines, bytes); !bound.empty()) {
            outcomes.push_back({{}, bound});
            return outcomes;
        }
        try {
            if (addFtpReplyLine(reply, line)) {
                outcomes.push_back({reply, {}});
                reply = FtpReply();
                lines = bytes = 0;
            }
        } catch (const Error& error) {
            outcomes.push_back({{}, error.text()});
            return outcomes;
        }
    }
    outcomes.push_back({{}, expected.tooLong ? "Max line length exceeded." : kConnectionClosedGracefully});
    return outcomes;
}

void checkReply(const FtpReply& reply) {
    require(reply.code >= 100 && reply.code <= 999, "a reply's code lies from 100 to 999");
    require(!reply.text.empty(), "a reply has text lines");
    // Error texts are C strings: a 0 byte from the server ends them.
    const std::string joined = reply.joinedText();
    require(FtpReplyError(reply).text() == joined.substr(0, joined.find('\0')),
            "a refused reply's error text is its text");
}

} // namespace

// The fuzzer never reaches it, as every byte is there before reading starts.
constexpr std::chrono::seconds kFarTimeout{60};

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const ReplyInput input = splitReplyInput(data, size);
    ReplyStream stream(input.bytes, input.pieceSize);
    const ReplyLimits limits = fuzzReplyLimits(input.bytes);
    const std::vector<Outcome> outcomes = expectedOutcomes(splitReplyLines(stream.sent()), limits);

    CommandSession session(
        std::move(stream.socket()), [](const std::string&) { return Error("no command is sent"); }, limits);
    for (const Outcome& outcome : outcomes) {
        const bool last = &outcome == &outcomes.back();
        if (input.takeInPending && !session.connected()) {
            require(last && outcome.error == kConnectionClosedGracefully,
                    "the session lets go after the peer's close only once every reply is read", outcome.error);
            return 0;
        }
        try {
            FtpReply reply;
            session.readReply(reply, addFtpReplyLine, kFarTimeout);
            require(outcome.error.empty(), "a reply is read where the lines make one", outcome.error);
            require(reply.code == outcome.reply.code && reply.text == outcome.reply.text,
                    "the reply is the one its lines make", reply.joinedText());
            checkReply(reply);
        } catch (const Error& error) {
            require(error.text() == outcome.error, "reading fails where the lines call for it", error.text());
            require(last, "a failure ends the reading", error.text());
            require(!session.isOpen(), "a failed reply closes the connection");
            return 0;
        }
    }
    propertyFailed("reading ends with the peer's close, a line too long or a reply that cannot be taken in");
}
