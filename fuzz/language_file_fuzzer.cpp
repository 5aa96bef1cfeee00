// Language files. The sorted lines are the file's non-empty lines in the documented order, every source finds
// the first sorted line with that source, the sorted text parses back to itself, and reading the file in pieces
// gives what parsing the whole text gives.
#include "core/language_file.h"
#include "fuzz_support.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

using namespace tervolen;
using namespace tervolen::fuzz;

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// The non-empty lines between CR, LF and CR LF, the byte-order mark of the first line dropped.
std::vector<std::string> expectedLines(std::string_view text) {
    std::vector<std::string> lines;
    bool first = true;
    for (;;) {
        const size_t end = text.find_first_of("\r\n");
        std::string_view line = text.substr(0, end);
        if (first && line.starts_with(kByteOrderMark))
            line.remove_prefix(kByteOrderMark.size());
        first = false;
        if (!line.empty())
            lines.emplace_back(line);
        if (end == std::string_view::npos)
            return lines;
        text.remove_prefix(end + 1);
    }
}

void checkFoldCase(const std::string& line) {
    const std::string folded = foldCase(line);
    require(folded.size() == line.size(), "folding keeps the length", line);
    require(foldCase(folded) == folded, "folding twice changes nothing", line);
}

void checkLookups(const LanguageFile& file) {
    const std::vector<std::string>& lines = file.sortedLines();
    std::unordered_map<std::string, size_t> firstLine;
    for (size_t i = 0; i < lines.size(); ++i) {
        const size_t equals = lines[i].find('=');
        if (equals == std::string::npos || equals == 0)
            continue;
        const std::string source = lines[i].substr(0, equals);
        const std::string& first = lines[firstLine.try_emplace(foldCase(source), i).first->second];
        require(file.lookup(source) == first.substr(first.find('=') + 1),
                "a source finds the first sorted line with that source", source);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = scratchPath("language.lng");
    const std::string_view input = inputText(data, size);
    const LanguageFile file = LanguageFile::parse(input);
    const std::vector<std::string>& lines = file.sortedLines();

    std::vector<std::string> expected = expectedLines(input);
    std::vector<std::string> got = lines;
    std::sort(expected.begin(), expected.end());
    std::sort(got.begin(), got.end());
    require(got == expected, "the sorted lines are the file's non-empty lines");
    for (size_t i = 0; i < lines.size(); ++i) {
        checkFoldCase(lines[i]);
        require(i == 0 || foldCase(lines[i - 1]) <= foldCase(lines[i]), "the lines are sorted without regard to case",
                lines[i]);
    }
    checkLookups(file);
    require(file.lookup("").empty(), "an empty text stays empty");

    // A leading empty line keeps a byte-order mark at the start of the first sorted line.
    std::string sortedText;
    for (const std::string& line : lines)
        sortedText += "\r\n" + line;
    require(LanguageFile::parse(sortedText).sortedLines() == lines, "the sorted text parses back to itself");

    writeScratchFile(path, input);
    require(LanguageFile::load(path).sortedLines() == lines, "loading the file gives what parsing its text gives");
    return 0;
}
