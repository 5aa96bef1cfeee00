#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tervolen {

// Decimal integer with an optional sign and nothing else (no blanks). Throws Error
// "'%s' is not a valid integer value" for any other text or a value outside 32 bits.
int StrToInt(const std::string& text);

// The same rule without throwing.
std::optional<int> TryStrToInt(std::string_view text);

// Trims leading and trailing blanks and control characters.
std::string Trim(std::string_view text);

// Upper-case folding of ASCII letters; other bytes are kept.
std::string UpperCase(std::string_view text);
bool SameText(std::string_view a, std::string_view b);

} // namespace tervolen
