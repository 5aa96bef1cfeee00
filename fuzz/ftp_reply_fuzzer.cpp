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
std::vector<Outcome> ExpectedOutcomes(const ExpectedLines& expected, const ReplyLimits& limits) {
    std::vector<Outcome> outcomes;
    FtpReply reply;
    size_t lines = 0;
    size_t bytes = 0;
    for (const std::string& line : expected.lines) {
        if (std::string bound = ReplyBoundFailure(limits, line, lines, bytes); !bound.empty()) {
            outcomes.push_back({{}, bound});
            return outcomes;
        }
        try {
            if (AddFtpReplyLine(reply, line)) {
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

void CheckReply(const FtpReply& reply) {
    Require(reply.code >= 100 && reply.code <= 999, "a reply's code lies from 100 to 999");
    Require(!reply.text.empty(), "a reply has text lines");
    // Error texts are C strings: a 0 byte from the server ends them.
    const std::string joined = reply.joinedText();
    Require(FtpReplyError(reply).text() == joined.substr(0, joined.find('\0')),
            "a refused reply's error text is its text");
}

} // namespace

// The fuzzer never reaches it, as every byte is there before reading starts.
constexpr std::chrono::seconds kFarTimeout{60};

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const ReplyInput input = SplitReplyInput(data, size);
    ReplyStream stream(input.bytes, input.pieceSize);
    const ReplyLimits limits = FuzzReplyLimits(input.bytes);
    const std::vector<Outcome> outcomes = ExpectedOutcomes(SplitReplyLines(stream.sent()), limits);

    CommandSession session(
        std::move(stream.socket()), [](const std::string&) { return Error("no command is sent"); }, limits);
    for (const Outcome& outcome : outcomes) {
        const bool last = &outcome == &outcomes.back();
        if (input.takeInPending && !session.connected()) {
            Require(last && outcome.error == kConnectionClosedGracefully,
                    "the session lets go after the peer's close only once every reply is read", outcome.error);
            return 0;
        }
        try {
            FtpReply reply;
            session.readReply(reply, AddFtpReplyLine, kFarTimeout);
            Require(outcome.error.empty(), "a reply is read where the lines make one", outcome.error);
            Require(reply.code == outcome.reply.code && reply.text == outcome.reply.text,
                    "the reply is the one its lines make", reply.joinedText());
            CheckReply(reply);
        } catch (const Error& error) {
            Require(error.text() == outcome.error, "reading fails where the lines call for it", error.text());
            Require(last, "a failure ends the reading", error.text());
            Require(!session.isOpen(), "a failed reply closes the connection");
            return 0;
        }
    }
    PropertyFailed("reading ends with the peer's close, a line too long or a reply that cannot be taken in");
}
