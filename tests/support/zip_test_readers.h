#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace tervolen::test {

// An entry to find in an archive and the file whose bytes it must hold.
struct ExpectedEntry {
    std::string name;
    std::string sourcePath;
};

// Checks the archive with `unzip -t`, `7z t`, `bsdtar -t` and Python's zipfile (every entry read, so every CRC
// checked) and compares each expected entry's extracted bytes with its source through all four readers. Python also checks
// that the archive holds exactly the expected entries, in order, when exactEntries is set. Extraction through
// unzip, 7z and bsdtar is skipped for sources larger than extractLimit (their tests still check the CRC).
void expectReadersAccept(const std::string& archive, const std::vector<ExpectedEntry>& entries,
                         bool exactEntries = true, uint64_t extractLimit = 64u << 20);

// The archive's entry names as Python's zipfile reads them, in order.
std::vector<std::string> pythonEntryNames(const std::string& archive);

// Single quotes for a shell word.
std::string shellQuote(const std::string& text);

} // namespace tervolen::test
