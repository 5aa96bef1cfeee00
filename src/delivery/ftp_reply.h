#pragma once

#include "core/errors.h"

#include <string>
#include <string_view>
#include <vector>

namespace tervolen {

// One FTP reply: the code and the text of each line.
struct FtpReply {
    int code = 0;
    std::vector<std::string> text;

    // The text lines, each followed by CR LF.
    std::string joinedText() const;
};

// A reply whose code was not accepted; its text is the reply's joinedText().
class FtpReplyError : public Error {
public:
    explicit FtpReplyError(const FtpReply& reply);
    int code() const { return code_; }

private:
    int code_;
};

// Adds one received line (without its line end) to reply; blank lines are skipped. True when the line ends
// the reply: at most three characters, all digits, or three digits and a blank. The first line's text and that
// of a later line beginning with the code are what follows the code and one more character; any other later
// line is kept whole. Throws Error "Reply Code is not valid: %s" when the first line lacks a code from 100 to 999.
bool addFtpReplyLine(FtpReply& reply, std::string_view line);

} // namespace tervolen
