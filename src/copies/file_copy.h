#pragma once

#include "core/posix_file.h"

#include <string>

namespace tervolen {

// Copies source (read through its descriptor) into destFolder under fileName, owner-only (0600). Missing folders
// are created (0700); an existing file is
// never overwritten: a taken name gets " (2)", " (3)" ... before its extension. The bytes go to a
// hidden temporary name in destFolder first and are renamed into place, so no partial copy ever
// stands under a final name; temporaries that a killed copy of fileName left there are removed.
// Returns the path written. Throws Error with the system's reason.
std::string copyFileKeepingExisting(const OpenedFile& source, const std::string& destFolder,
                                    const std::string& fileName);

} // namespace tervolen
