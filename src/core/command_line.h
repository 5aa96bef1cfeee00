#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tervolen {

// The words of a command line split as a POSIX shell splits them, without any expansion: blanks separate words;
// single quotes keep everything up to the next one; double quotes keep everything but a backslash before " \ $ `
// or a line feed; a backslash outside quotes keeps the next character (and drops a line feed after it). "$HOME",
// "~" and "*" stay as they are. Throws Error for an unclosed quote or a backslash at the end.
std::vector<std::string> splitCommandLine(std::string_view text);

// The word quoted so that splitCommandLine gives it back.
std::string quoteCommandWord(std::string_view word);

} // namespace tervolen
