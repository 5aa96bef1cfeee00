#include "delivery/ftp_reply.h"

#include "core/text_conversion.h"

#include <algorithm>

namespace tervolen {

namespace {

bool isDigits(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

int replyCode(const std::string& line) {
    const std::string head = trim(std::string_view(line).substr(0, 4));
    std::string_view code = head;
    if (!code.empty() && code.back() == '-')
        code.remove_suffix(1);
    if (code.size() != 3 || !isDigits(code) || code[0] == '0')
        throw Error("Reply Code is not valid: " + head);
    return (code[0] - '0') * 100 + (code[1] - '0') * 10 + (code[2] - '0');
}

bool endsReply(std::string_view line) {
    if (line.size() <= 3)
        return isDigits(line);
    return isDigits(line.substr(0, 3)) && line[3] == ' ';
}

std::string afterCode(const std::string& line) {
    return line.size() > 4 ? line.substr(4) : std::string();
}

} // namespace

std::string FtpReply::joinedText() const {
    std::string joined;
    for (const std::string& line : text)
        joined += line + "\r\n";
    return joined;
}

FtpReplyError::FtpReplyError(const FtpReply& reply) : Error(reply.joinedText()), code_(reply.code) {}

bool addFtpReplyLine(FtpReply& reply, std::string_view line) {
    std::string trimmed = trim(line);
    if (trimmed.empty())
        return false;
    if (reply.text.empty()) {
        reply.code = replyCode(trimmed);
        reply.text.push_back(afterCode(trimmed));
    } else if (trimmed.compare(0, 3, std::to_string(reply.code)) == 0) {
        reply.text.push_back(afterCode(trimmed));
    } else {
        reply.text.push_back(trimmed);
    }
    return endsReply(trimmed);
}

} // namespace tervolen
