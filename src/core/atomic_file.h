#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tervolen {

// What WriteFileAtomically does with a symbolic link at path.
enum class LinkAtPath {
    Follow,  // the file behind the link is replaced; the link stays
    Replace, // the link itself is replaced by the new file, and the file it named stays as it is
};

// Replaces the file at path with bytes so that it is always either the old or the new content: a hidden
// temporary file in the same folder, flushed to disk, given its mode and renamed over the file. A symbolic
// link at path is handled as link says. Without a mode, a replaced file keeps its own and a
// new one gets 0600. Missing folders are created (0700) when createFolders is set. Throws Error "Cannot create
// file" or "Cannot write file" with path and the system's reason; no temporary file is left behind.
void writeFileAtomically(const std::string& path, std::string_view bytes, std::optional<unsigned> mode = {},
                         bool createFolders = false, LinkAtPath link = LinkAtPath::Follow);

} // namespace tervolen
