#pragma once

#include "core/clock.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tervolen {

// A source file that a FileSpec entry takes.
struct FoundFile {
    std::string path;       // as found: the entry's folder part joined with the relative path
    std::string storedName; // path relative to the entry's folder, "/" between folders
    uint64_t size = 0;
};

// Whether name matches mask, where "*" stands for any run of characters and "?" for one; ASCII letters match
// without regard to case.
bool matchesMask(std::string_view name, std::string_view mask);

// MS-DOS attribute bits of a regular file: archive, read-only when nobody may write it, hidden for a dot-name.
uint32_t dosAttributes(std::string_view fileName, unsigned mode);

// Whether a file with these attributes is taken: archive, read-only, compressed, encrypted or
// not-content-indexed, or no attribute other than normal.
bool takesAttributes(uint32_t attributes);

// The files that one FileSpec entry (a path whose name part may hold wildcards) takes: its folder part (the current
// folder when it has none) and every folder below it except hidden ones are searched for regular files whose name
// matches the name part. Files of a folder come first, in name order, then its subfolders, in name order. Folders that
// cannot be read are passed over. processEvents, when set, runs after each folder entry looked at.
std::vector<FoundFile> findSpecFiles(const std::string& spec, const ProcessEvents& processEvents);

} // namespace tervolen
