#include "core/text_conversion.h"

#include "core/errors.h"

#include <charconv>

namespace tervolen {

std::optional<int> tryStrToInt(std::string_view text) {
    std::string_view digits = text;
    if (!digits.empty() && digits.front() == '+') {
        digits.remove_prefix(1);
        if (!digits.empty() && digits.front() == '-')
            return std::nullopt;
    }
    int value = 0;
    const char* last = digits.data() + digits.size();
    auto [end, ec] = std::from_chars(digits.data(), last, value);
    if (digits.empty() || ec != std::errc() || end != last)
        return std::nullopt;
    return value;
}

int strToInt(const std::string& text) {
    if (auto value = tryStrToInt(text))
        return *value;
    throw Error("'" + text + "' is not a valid integer value");
}

std::string trim(std::string_view text) {
    auto isSpace = [](unsigned char c) { return c <= ' '; };
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && isSpace(text[begin]))
        ++begin;
    while (end > begin && isSpace(text[end - 1]))
        --end;
    return std::string(text.substr(begin, end - begin));
}

std::string upperCase(std::string_view text) {
    std::string result(text);
    for (char& c : result)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return result;
}

bool sameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z')
            x = static_cast<char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z')
            y = static_cast<char>(y - 'a' + 'A');
        if (x != y)
            return false;
    }
    return true;
}

} // namespace tervolen
