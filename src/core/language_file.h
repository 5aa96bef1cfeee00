#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tervolen {

// A language file: lines "source=translation" that replace texts of the window. The source is everything
// before the first "=", the translation everything after it; nothing is trimmed, so blanks at either end
// belong to the texts. A line without "=" never matches. The lines are kept sorted by whole-line
// comparison without regard to letter case; of several lines whose sources equal a text without regard
// to letter case, the one that sorts first gives the translation.
class LanguageFile {
public:
    // No lines: every text stays as it is.
    LanguageFile() = default;

    // Splits the text into lines at CR LF, LF or CR (a leading UTF-8 byte-order mark is dropped) and sorts
    // them. Takes any bytes.
    static LanguageFile parse(std::string_view text);
    // Reads and parses the file. Throws Error "Cannot open file "%s". %s" (or "Cannot read file") with the
    // path and the system's reason.
    static LanguageFile load(const std::string& path);

    // The translation of text, or text itself when no line matches; an empty text stays empty.
    std::string lookup(std::string_view text) const;

    // Every line of the file in sorted order, blank lines and lines without "=" included.
    const std::vector<std::string>& sortedLines() const { return lines_; }

private:
    class Builder;

    std::vector<std::string> lines_;
    // Case-folded source text -> index in lines_ of the first line with that source.
    std::unordered_map<std::string, std::size_t> firstLine_;
};

// Folds letter case for comparisons without regard to it: ASCII, Latin-1, Latin Extended-A, Greek and
// Cyrillic capitals of UTF-8 text become small letters; every other byte, invalid UTF-8 included, stays.
std::string foldCase(std::string_view text);

} // namespace tervolen
