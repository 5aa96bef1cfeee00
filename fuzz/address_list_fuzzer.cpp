// Address lists as the user types them. For every list the parser accepts, the To header text that
// FormatAddressList makes of it parses back to the same addresses and names (encoded words decoded).
#include "core/errors.h"
#include "delivery/address_list.h"
#include "delivery/header_text.h"
#include "fuzz_support.h"

#include <cstdint>
#include <optional>
#include <string>

using namespace tervolen;
using namespace tervolen::fuzz;

namespace {

constexpr std::string_view kWordStart = "=?UTF-8?B?";
constexpr std::string_view kWordEnd = "?=";

std::optional<std::string> decodeBase64(std::string_view text) {
    static constexpr std::string_view kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string bytes;
    uint32_t bits = 0;
    int count = 0;
    while (!text.empty() && text.back() == '=')
        text.remove_suffix(1);
    for (char c : text) {
        const size_t value = kAlphabet.find(c);
        if (value == std::string_view::npos)
            return std::nullopt;
        bits = bits << 6 | static_cast<uint32_t>(value);
        count += 6;
        if (count >= 8) {
            count -= 8;
            bytes += static_cast<char>(bits >> count & 0xFF);
        }
    }
    return bytes;
}

// The text of blank-separated "=?UTF-8?B?...?=" words.
std::optional<std::string> decodeWords(std::string_view words) {
    std::string text;
    while (!words.empty()) {
        const size_t blank = words.find(' ');
        std::string_view word = words.substr(0, blank);
        words.remove_prefix(blank == std::string_view::npos ? words.size() : blank + 1);
        if (!word.starts_with(kWordStart) || !word.ends_with(kWordEnd) || word.size() > 75)
            return std::nullopt;
        word = word.substr(kWordStart.size(), word.size() - kWordStart.size() - kWordEnd.size());
        const std::optional<std::string> bytes = decodeBase64(word);
        if (!bytes)
            return std::nullopt;
        text += *bytes;
    }
    return text;
}

// The name that the header shows for a name: printable ASCII as it is, anything else as encoded words.
std::string shownName(const std::string& parsedName, const std::string& originalName) {
    if (isPrintableAscii(originalName))
        return parsedName;
    const std::optional<std::string> decoded = decodeWords(parsedName);
    require(decoded.has_value(), "a name outside printable ASCII becomes encoded words", parsedName);
    return *decoded;
}

void checkRoundTrip(const EmailAddressList& list) {
    const std::string header = formatAddressList(list);
    EmailAddressList again;
    try {
        again = parseAddressList(header);
    } catch (const Error&) {
        propertyFailed("the formatted list parses", header);
    }
    require(again.size() == list.size(), "the formatted list has every mailbox", header);
    for (size_t i = 0; i < list.size(); ++i) {
        require(again[i].address == list[i].address, "each address reads back", header);
        require(shownName(again[i].name, list[i].name) == list[i].name, "each name reads back", header);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    EmailAddressList list;
    try {
        list = parseAddressList(std::string(inputText(data, size)));
    } catch (const Error& error) {
        require(error.text() == "@ Outside address", "the parser refuses only an @ after the address", error.text());
        return 0;
    }
    for (const EmailAddress& mailbox : list)
        require(!mailbox.address.empty(), "every mailbox has an address");
    checkRoundTrip(list);
    return 0;
}
