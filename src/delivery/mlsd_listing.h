#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tervolen {

// One entry of an MLSD listing (RFC 3659 section 7): "fact=value;" pairs, one space, the name.
struct MlsdEntry {
    std::map<std::string, std::string> facts; // fact names in lower case, values as sent
    std::string name;
};

// The entry of one line (without its line end); nothing for a line that does not have the form.
std::optional<MlsdEntry> parseMlsdLine(std::string_view line);

// The names of the plain files of a listing (type "file"), lines ended by CR LF or LF; other lines are passed over.
std::vector<std::string> mlsdFileNames(std::string_view listing);

} // namespace tervolen
