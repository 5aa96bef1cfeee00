// SMTP replies as a server sends them (see ReplyInput for the first byte). The reader gives exactly the lines of
// the bytes; each reply the client takes in has a valid code, one text per non-blank line and a well-formed
// enhanced status code, or the reply is refused for its first line's code.
#include "core/errors.h"
#include "core/text_conversion.h"
#include "delivery/reply_reader.h"
#include "delivery/smtp_reply.h"
#include "fuzz_support.h"
#include "reply_stream.h"

#include <algorithm>
#include <cstdint>
#include <string>

using namespace tervolen;
using namespace tervolen::fuzz;

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// "d.n.n": class 2, 4 or 5, then subject and detail of one to three digits.
bool isEnhancedCode(std::string_view code) {
    if (code.size() < 5 || (code[0] != '2' && code[0] != '4' && code[0] != '5') || code[1] != '.')
        return false;
    const size_t dot = code.find('.', 2);
    if (dot == std::string_view::npos)
        return false;
    auto digits = [](std::string_view part) {
        return !part.empty() && part.size() <= 3 && part.find_first_not_of("0123456789") == std::string_view::npos;
    };
    return digits(code.substr(2, dot - 2)) && digits(code.substr(dot + 1));
}

// Three digits, the first not 0, then the end, "-" or a blank or control character.
bool hasValidCode(std::string_view trimmedLine) {
    return trimmedLine.size() >= 3 && isDigit(trimmedLine[0]) && trimmedLine[0] != '0' && isDigit(trimmedLine[1]) &&
           isDigit(trimmedLine[2]) &&
           (trimmedLine.size() == 3 || trimmedLine[3] == '-' || static_cast<unsigned char>(trimmedLine[3]) <= ' ');
}

void checkReply(const SmtpReply& reply, size_t textLines) {
    require(reply.code >= 100 && reply.code <= 999, "a reply's code lies from 100 to 999");
    require(reply.text.size() == textLines, "a reply has one text per non-blank line");
    require(reply.enhancedCode.empty() || isEnhancedCode(reply.enhancedCode), "the enhanced code is well-formed",
            reply.enhancedCode);
    // Error texts are C strings: a 0 byte from the server ends them.
    const std::string joined = reply.joinedText();
    require(SmtpReplyError(reply).text() == joined.substr(0, joined.find('\0')),
            "a refused reply's error text is its text");
    // Read as EHLO capabilities: a mechanism is offered only by an AUTH line that names it.
    for (const char* mechanism : {"PLAIN", "LOGIN"}) {
        const bool named = std::any_of(reply.text.begin(), reply.text.end(), [&](const std::string& line) {
            const std::string upper = upperCase(line);
            return upper.starts_with("AUTH") && upper.find(mechanism) != std::string::npos;
        });
        require(!offersAuthMechanism(reply.text, mechanism) || named, "an offered mechanism is named by an AUTH line",
                mechanism);
    }
    require(
        !offersExtension(reply.text, "STARTTLS") ||
            std::any_of(reply.text.begin(), reply.text.end(),
                        [](const std::string& line) { return upperCase(line).find("STARTTLS") != std::string::npos; }),
        "STARTTLS is offered only by a line that names it");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const ReplyInput input = splitReplyInput(data, size);
    ReplyStream stream(input.bytes, input.pieceSize);
    const ExpectedLines expected = splitReplyLines(stream.sent());

    const ReplyLimits limits = fuzzReplyLimits(input.bytes);
    ReplyReader reader;
    SmtpReply reply;
    ReplyBound bound(limits);
    size_t textLines = 0;
    size_t boundLines = 0;
    size_t boundBytes = 0;
    auto nextReply = [&] {
        reply = SmtpReply();
        bound = ReplyBound(limits);
        textLines = boundLines = boundBytes = 0;
    };
    for (size_t index = 0;; ++index) {
        if (input.takeInPending)
            reader.takeInPending(stream.socket());
        std::string line;
        try {
            line = reader.readLine(stream.socket(), farDeadline());
        } catch (const Error& error) {
            require(index == expected.lines.size(), "the reader gives every line before it fails", error.text());
            require(error.text() == (expected.tooLong ? "Max line length exceeded." : kConnectionClosedGracefully),
                    "the reader fails for the line that is too long, else for the close", error.text());
            return 0;
        }
        require(index < expected.lines.size() && line == expected.lines[index], "the reader gives the lines in order",
                line);

        // A reply past its bounds ends the reading: the client closes the connection.
        const std::string boundFailure = replyBoundFailure(limits, line, boundLines, boundBytes);
        std::string refused;
        try {
            bound.count(line);
        } catch (const Error& error) {
            refused = error.text();
        }
        require(refused == boundFailure, "a reply is refused exactly where it passes its bounds, saying which",
                refused);
        if (!refused.empty())
            return 0;

        const bool first = reply.text.empty();
        try {
            if (!trim(line).empty())
                ++textLines;
            if (addSmtpReplyLine(reply, line)) {
                checkReply(reply, textLines);
                nextReply();
            }
        } catch (const Error& error) {
            require(first && !hasValidCode(trim(line)), "only a first line without a valid code is refused", line);
            require(error.text().starts_with("Reply Code is not valid: "), "a refused code says so", error.text());
            nextReply();
        }
    }
}
