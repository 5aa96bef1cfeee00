#include "delivery/passive_reply.h"

#include "core/errors.h"

#include <array>
#include <cctype>
#include <optional>
#include <string_view>

namespace tervolen {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Reads a decimal number of at most digits digits at text[at] up to limit; moves at past it.
std::optional<int> readNumber(std::string_view text, std::size_t& at, int limit, std::size_t digits) {
    const std::size_t start = at;
    int value = 0;
    while (at < text.size() && isDigit(text[at]) && at - start < digits) {
        value = value * 10 + (text[at] - '0');
        ++at;
    }
    if (at == start || (at < text.size() && isDigit(text[at])) || value > limit)
        return std::nullopt;
    return value;
}

// Six comma-separated numbers 0..255 beginning at text[at].
std::optional<std::array<int, 6>> readSixNumbers(std::string_view text, std::size_t at) {
    std::array<int, 6> numbers{};
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        if (i > 0) {
            if (at >= text.size() || text[at] != ',')
                return std::nullopt;
            ++at;
        }
        const std::optional<int> number = readNumber(text, at, 255, 3);
        if (!number)
            return std::nullopt;
        numbers[i] = *number;
    }
    return numbers;
}

} // namespace

int parseEpsvPort(const std::string& text) {
    const auto refuse = [&]() -> int { throw Error("The EPSV answer names no port: " + text); };
    const std::string_view view = text;
    const std::size_t open = view.find('(');
    if (open == std::string_view::npos || open + 4 >= view.size())
        return refuse();
    const char delimiter = view[open + 1];
    if (!std::isprint(static_cast<unsigned char>(delimiter)) || isDigit(delimiter) ||
        view.substr(open + 1, 3) != std::string(3, delimiter))
        return refuse();
    std::size_t at = open + 4;
    const std::optional<int> port = readNumber(view, at, 65535, 5);
    if (!port || *port == 0 || view.substr(at, 2) != std::string{delimiter, ')'})
        return refuse();
    return *port;
}

int parsePasvPort(const std::string& text) {
    const std::string_view view = text;
    for (std::size_t at = 0; at < view.size(); ++at) {
        if (!isDigit(view[at]) || (at > 0 && isDigit(view[at - 1])))
            continue;
        if (const auto numbers = readSixNumbers(view, at)) {
            const int port = (*numbers)[4] * 256 + (*numbers)[5];
            if (port == 0)
                break;
            return port;
        }
    }
    throw Error("The PASV answer names no port: " + text);
}

} // namespace tervolen
