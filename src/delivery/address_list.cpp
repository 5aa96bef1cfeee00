#include "delivery/address_list.h"

#include "core/errors.h"
#include "core/text_conversion.h"
#include "delivery/header_text.h"

#include <optional>

namespace tervolen {

namespace {

// Copies the quoted string or the (nested) comment that starts at text[i] into out, unchanged; i ends on
// its closing character. A backslash takes the next character literally.
void copyDelimited(const std::string& text, std::size_t& i, std::string& out) {
    bool quoted = text[i] == '"';
    int depth = 1;
    out += text[i];
    for (++i; i < text.size(); ++i) {
        char c = text[i];
        out += c;
        if (c == '\\' && i + 1 < text.size())
            out += text[++i];
        else if (quoted ? c == '"' : (c == ')' && --depth == 0))
            return;
        else if (!quoted && c == '(')
            ++depth;
    }
}

std::vector<std::string> splitEntries(const std::string& text) {
    std::vector<std::string> entries;
    std::string current;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '"' || c == '(') {
            copyDelimited(text, i, current);
        } else if (c == ',' || c == ';') {
            entries.push_back(current);
            current.clear();
        } else if (c == ':') {
            current.clear();
        } else {
            current += c;
        }
    }
    entries.push_back(current);
    return entries;
}

// Skips the comment that starts at text[i]; i ends on its closing parenthesis.
void skipComment(const std::string& text, std::size_t& i) {
    int depth = 0;
    for (; i < text.size(); ++i) {
        if (text[i] == '\\')
            ++i;
        else if (text[i] == '(')
            ++depth;
        else if (text[i] == ')' && --depth == 0)
            return;
    }
}

// Reads the quoted string that starts at text[i]: appends it whole to raw, closed also where the text ends inside
// it, and returns its content; i ends on the closing quote. A backslash takes the next character literally; one
// at the very end stands for itself and is written escaped, so that raw reads back as the same string.
std::string readQuoted(const std::string& text, std::size_t& i, std::string& raw) {
    std::string content;
    raw += '"';
    for (++i; i < text.size() && text[i] != '"'; ++i) {
        if (text[i] == '\\') {
            raw += '\\';
            if (i + 1 < text.size())
                ++i;
        }
        content += text[i];
        raw += text[i];
    }
    raw += '"';
    return content;
}

std::optional<EmailAddress> parseMailbox(const std::string& entry) {
    std::string text = trim(entry);
    if (text.empty() || text == "<>")
        return std::nullopt;
    enum { Phrase, InAngles, AfterAngles } state = Phrase;
    std::string name, rawPhrase, angleAddress;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '(') {
            skipComment(text, i);
        } else if (state == Phrase) {
            if (c == '"')
                name += readQuoted(text, i, rawPhrase);
            else if (c == '<')
                state = InAngles;
            else {
                name += c;
                rawPhrase += c;
            }
        } else if (state == InAngles) {
            // A quoted local part may hold ">", "(" and the separators, as the entries were split.
            if (c == '"')
                readQuoted(text, i, angleAddress);
            else if (c == '>')
                state = AfterAngles;
            else
                angleAddress += c;
        } else if (c == '@') {
            throw Error("@ Outside address");
        }
    }
    EmailAddress mailbox;
    if (state == Phrase) {
        mailbox.address = trim(rawPhrase);
    } else {
        mailbox.address = trim(angleAddress);
        mailbox.name = trim(name);
    }
    if (mailbox.address.empty())
        return std::nullopt;
    return mailbox;
}

std::string quotedName(const std::string& name) {
    std::string quoted = "\"";
    for (char c : name) {
        if (c == '\\' || c == '"')
            quoted += '\\';
        quoted += c;
    }
    return quoted + '"';
}

// Whether the address holds "<" outside quoted strings: bare, it would read back as a name and another address.
bool needsAngles(const std::string& address) {
    bool quoted = false;
    for (std::size_t i = 0; i < address.size(); ++i) {
        if (quoted && address[i] == '\\')
            ++i;
        else if (address[i] == '"')
            quoted = !quoted;
        else if (!quoted && address[i] == '<')
            return true;
    }
    return false;
}

std::string formatAddress(const EmailAddress& item, bool useAddressAsName) {
    std::string name = item.name.empty() && useAddressAsName ? item.address : item.name;
    if (name.empty())
        return needsAngles(item.address) ? "<" + item.address + ">" : item.address;
    std::string shownName = isPrintableAscii(name) ? quotedName(name) : encodeWords(name);
    return shownName + " <" + item.address + ">";
}

} // namespace

EmailAddressList parseAddressList(const std::string& text) {
    EmailAddressList list;
    if (trim(text).empty())
        return list;
    for (const std::string& entry : splitEntries(text))
        if (auto mailbox = parseMailbox(entry))
            list.push_back(*mailbox);
    return list;
}

std::string formatAddressList(const EmailAddressList& list, bool useAddressAsName) {
    std::string text;
    for (const EmailAddress& item : list) {
        if (!text.empty())
            text += ", ";
        text += formatAddress(item, useAddressAsName);
    }
    return text;
}

} // namespace tervolen
