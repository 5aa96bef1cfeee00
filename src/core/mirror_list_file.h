#pragma once

#include <string>
#include <vector>

namespace tervolen {

// One entry of a saved list view: for the mirror list, the caption is a folder path.
struct MirrorListEntry {
    std::string caption;
    bool checked = false;
    std::vector<std::string> subItems;
};

// Reads a "LISTVIEW01" list file, or the older form of texts ended by byte 0 or 1. Damaged data ends
// the load quietly with the complete entries read so far. A missing file is an empty list; a file that
// cannot be opened or read throws Error "Cannot open file "%s". %s" (resp. "Cannot read file") with the
// full path and the system's reason. Run as root, a file that another user could have changed throws
// UntrustedFileError (CheckTrustedByRoot).
std::vector<MirrorListEntry> loadMirrorList(const std::string& path);

// Writes the captions in the "LISTVIEW01" form through a temporary file renamed over path. Throws Error
// "Cannot create file "%s". %s" with the full path and the system's reason, or, writing nothing, when a
// caption is longer than 65535 bytes.
void saveMirrorList(const std::string& path, const std::vector<std::string>& captions);

} // namespace tervolen
