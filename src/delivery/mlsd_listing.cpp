#include "delivery/mlsd_listing.h"

#include "core/text_conversion.h"

#include <algorithm>

namespace tervolen {

namespace {

std::string lowerCase(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); });
    return out;
}

} // namespace

std::optional<MlsdEntry> parseMlsdLine(std::string_view line) {
    const std::size_t space = line.find(' ');
    if (space == std::string_view::npos || space + 1 >= line.size())
        return std::nullopt;
    MlsdEntry entry;
    entry.name = std::string(line.substr(space + 1));
    if (entry.name.find_first_of("\r\n") != std::string::npos || entry.name.find('\0') != std::string::npos)
        return std::nullopt;
    std::string_view facts = line.substr(0, space);
    while (!facts.empty()) {
        const std::size_t end = facts.find(';');
        const std::size_t equals = facts.find('=');
        if (end == std::string_view::npos || equals == std::string_view::npos || equals == 0 || equals > end)
            return std::nullopt;
        entry.facts[lowerCase(facts.substr(0, equals))] = std::string(facts.substr(equals + 1, end - equals - 1));
        facts.remove_prefix(end + 1);
    }
    return entry;
}

std::vector<std::string> mlsdFileNames(std::string_view listing) {
    std::vector<std::string> names;
    while (!listing.empty()) {
        const std::size_t end = std::min(listing.find('\n'), listing.size());
        std::string_view line = listing.substr(0, end);
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        listing.remove_prefix(std::min(end + 1, listing.size()));
        const std::optional<MlsdEntry> entry = parseMlsdLine(line);
        if (!entry)
            continue;
        const auto type = entry->facts.find("type");
        if (type != entry->facts.end() && sameText(type->second, "file"))
            names.push_back(entry->name);
    }
    return names;
}

} // namespace tervolen
