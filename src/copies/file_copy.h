#pragma once

#include <string>

namespace tervolen {

// Copies source into destFolder under fileName. Missing folders are created; an existing file is
// never overwritten: a taken name gets " (2)", " (3)" ... before its extension. The bytes go to a
// hidden temporary name in destFolder first and are renamed into place, so no partial copy ever
// stands under a final name; temporaries that a killed copy of fileName left there are removed.
// Returns the path written. Throws Error with the system's reason.
std::string CopyFileKeepingExisting(const std::string& source, const std::string& destFolder,
                                    const std::string& fileName);

} // namespace tervolen
