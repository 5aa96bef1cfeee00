#pragma once

#include "core/clock.h"

#include <string>
#include <string_view>
#include <vector>

namespace tervolen {

// Whether every character is printable ASCII (codes 32 to 126).
bool isPrintableAscii(std::string_view text);

// RFC 2047 encoded words of a UTF-8 text ("=?UTF-8?B?...?="), each at most 75 characters, joined by blanks.
std::string encodeWords(std::string_view text);

// Breaks a header line longer than 78 characters after the last blank, tab or comma outside double quotes
// at or before column 78; continuation lines start with one blank. Gives the physical lines.
std::vector<std::string> foldHeaderLine(std::string line);

// The Date header value, as "Mon, 3 Feb 2025 14:05:09 -0300".
std::string formatDateValue(const LocalTime& time);

} // namespace tervolen
