#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tervolen {

// Decimal integer with an optional sign and nothing else (no blanks). Throws Error
// "'%s' is not a valid integer value" for any other text or a value outside 32 bits.
int strToInt(const std::string& text);

// The same rule without throwing.
std::optional<int> tryStrToInt(std::string_view text);

// Trims leading and trailing blanks and control characters.
std::string trim(std::string_view text);

// Upper-case folding of ASCII letters; other bytes are kept.
std::string upperCase(std::string_view text);
bool sameText(std::string_view a, std::string_view b);

} // namespace tervolen
