#pragma once

#include "core/errors.h"

#include <string>
#include <string_view>
#include <vector>

namespace tervolen {

// One SMTP reply: the code, the text of each line after the code, and an enhanced status code ("5.1.1")
// taken from the front of a line's text, empty when the server gives none.
struct SmtpReply {
    int code = 0;
    std::vector<std::string> text;
    std::string enhancedCode;

    // The text lines, each followed by CR LF.
    std::string joinedText() const;
};

// A reply whose code was not accepted; its text is the reply's joinedText().
class SmtpReplyError : public Error {
public:
    explicit SmtpReplyError(const SmtpReply& reply);
    int code() const { return code_; }
    const std::string& enhancedCode() const { return enhancedCode_; }

private:
    int code_;
    std::string enhancedCode_;
};

// Adds one received line (without its line end) to reply; true when the line ends the reply: it is shorter
// than 4 characters or has a blank after the code. Blank lines are skipped.
// Throws Error "Reply Code is not valid: %s" when the first line lacks a code from 100 to 999.
bool addSmtpReplyLine(SmtpReply& reply, std::string_view line);

// Whether one of the EHLO reply's lines after the first (capabilities) starts with the word keyword, ignoring
// letter case.
bool offersExtension(const std::vector<std::string>& capabilities, std::string_view keyword);
// Whether an AUTH line ("AUTH PLAIN LOGIN", or the old form "AUTH=PLAIN") names mechanism, ignoring letter case.
bool offersAuthMechanism(const std::vector<std::string>& capabilities, std::string_view mechanism);

} // namespace tervolen
