#include "delivery/smtp_reply.h"

#include "core/text_conversion.h"

#include <algorithm>

namespace tervolen {

namespace {

bool isDigits(std::string_view text, std::size_t minLength, std::size_t maxLength) {
    return text.size() >= minLength && text.size() <= maxLength &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// "d.n.n" with d one of 2, 4, 5 (RFC 3463 class, subject and detail).
bool isEnhancedCode(std::string_view word) {
    std::size_t first = word.find('.');
    std::size_t second = first == std::string_view::npos ? first : word.find('.', first + 1);
    if (second == std::string_view::npos || first != 1 || (word[0] != '2' && word[0] != '4' && word[0] != '5'))
        return false;
    return isDigits(word.substr(2, second - 2), 1, 3) && isDigits(word.substr(second + 1), 1, 3);
}

int replyCode(const std::string& line) {
    std::string head = trim(std::string_view(line).substr(0, 4));
    std::string_view code = head;
    if (!code.empty() && code.back() == '-')
        code.remove_suffix(1);
    if (!isDigits(code, 3, 3) || code[0] == '0')
        throw Error("Reply Code is not valid: " + head);
    return (code[0] - '0') * 100 + (code[1] - '0') * 10 + (code[2] - '0');
}

} // namespace

std::string SmtpReply::joinedText() const {
    std::string joined;
    for (const std::string& line : text)
        joined += line + "\r\n";
    return joined;
}

SmtpReplyError::SmtpReplyError(const SmtpReply& reply)
    : Error(reply.joinedText()), code_(reply.code), enhancedCode_(reply.enhancedCode) {}

namespace {

// The words of a capability line in upper case; "AUTH=" reads as "AUTH ".
std::vector<std::string> capabilityWords(const std::string& line) {
    std::string spaced = upperCase(line);
    if (spaced.rfind("AUTH=", 0) == 0)
        spaced[4] = ' ';
    std::vector<std::string> words;
    std::size_t start = 0;
    while ((start = spaced.find_first_not_of(" \t", start)) != std::string::npos) {
        const std::size_t end = spaced.find_first_of(" \t", start);
        words.push_back(spaced.substr(start, end - start));
        start = end;
    }
    return words;
}

} // namespace

bool offersExtension(const std::vector<std::string>& capabilities, std::string_view keyword) {
    const std::string wanted = upperCase(keyword);
    return std::any_of(capabilities.begin(), capabilities.end(), [&](const std::string& line) {
        const std::vector<std::string> words = capabilityWords(line);
        return !words.empty() && words[0] == wanted;
    });
}

bool offersAuthMechanism(const std::vector<std::string>& capabilities, std::string_view mechanism) {
    const std::string wanted = upperCase(mechanism);
    return std::any_of(capabilities.begin(), capabilities.end(), [&](const std::string& line) {
        const std::vector<std::string> words = capabilityWords(line);
        return !words.empty() && words[0] == "AUTH" && std::find(words.begin() + 1, words.end(), wanted) != words.end();
    });
}

bool addSmtpReplyLine(SmtpReply& reply, std::string_view line) {
    std::string trimmed = trim(line);
    if (trimmed.empty())
        return false;
    if (reply.text.empty())
        reply.code = replyCode(trimmed);
    std::string text = trimmed.size() > 4 ? trimmed.substr(4) : std::string();
    std::size_t wordEnd = std::min(text.find(' '), text.size());
    if (isEnhancedCode(std::string_view(text).substr(0, wordEnd))) {
        if (reply.enhancedCode.empty())
            reply.enhancedCode = text.substr(0, wordEnd);
        std::size_t rest = text.find_first_not_of(' ', wordEnd);
        text = rest == std::string::npos ? std::string() : text.substr(rest);
    }
    reply.text.push_back(std::move(text));
    return trimmed.size() < 4 || trimmed[3] == ' ';
}

} // namespace tervolen
