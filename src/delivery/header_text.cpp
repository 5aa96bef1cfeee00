#include "delivery/header_text.h"

#include "delivery/base64.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>

namespace tervolen {

namespace {

constexpr std::size_t kFoldColumn = 78;
// "=?UTF-8?B?" and "?=" leave 63 of 75 characters: 60 base64 characters carry 45 bytes.
constexpr std::size_t kBytesPerWord = 45;

constexpr std::array<const char*, 7> kDays = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr std::array<const char*, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

bool isContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

// Index of the character after which the line may break, or npos.
std::size_t foldPosition(const std::string& line) {
    std::size_t position = std::string::npos;
    bool quoted = false;
    for (std::size_t i = 0; i < kFoldColumn && i < line.size(); ++i) {
        char c = line[i];
        if (quoted && c == '\\')
            ++i;
        else if (c == '"')
            quoted = !quoted;
        else if (!quoted && i > 0 && (isBlank(c) || c == ','))
            position = i;
    }
    return position;
}

} // namespace

bool isPrintableAscii(std::string_view text) {
    for (char c : text)
        if (c < 32 || c > 126)
            return false;
    return true;
}

std::string encodeWords(std::string_view text) {
    std::string words;
    std::size_t offset = 0;
    while (offset < text.size()) {
        std::size_t length = std::min(kBytesPerWord, text.size() - offset);
        // Keep each multi-byte character within one word.
        for (std::size_t back = 0;
             back < 3 && offset + length < text.size() && length > 1 && isContinuationByte(text[offset + length]);
             ++back)
            --length;
        if (!words.empty())
            words += ' ';
        words += "=?UTF-8?B?";
        appendBase64(reinterpret_cast<const unsigned char*>(text.data() + offset), length, words);
        words += "?=";
        offset += length;
    }
    return words;
}

std::vector<std::string> foldHeaderLine(std::string line) {
    std::vector<std::string> lines;
    while (line.size() > kFoldColumn) {
        std::size_t position = foldPosition(line);
        if (position == std::string::npos)
            break;
        std::string first = line.substr(0, position + 1);
        while (!first.empty() && isBlank(first.back()))
            first.pop_back();
        std::size_t restStart = line.find_first_not_of(" \t", position + 1);
        if (restStart == std::string::npos || first.find_first_not_of(" \t") == std::string::npos)
            break;
        lines.push_back(first);
        line = " " + line.substr(restStart);
    }
    lines.push_back(line);
    return lines;
}

std::string formatDateValue(const LocalTime& time) {
    int offset = std::abs(time.utcOffsetMinutes);
    char text[64];
    std::snprintf(text, sizeof text, "%s, %d %s %d %02d:%02d:%02d %c%02d%02d", kDays.at(time.dayOfWeek - 1), time.day,
                  kMonths.at(time.month - 1), time.year, time.hour, time.minute, time.second,
                  time.utcOffsetMinutes < 0 ? '-' : '+', offset / 60, offset % 60);
    return text;
}

} // namespace tervolen
