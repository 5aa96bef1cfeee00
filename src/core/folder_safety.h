#pragma once

#include "core/errors.h"

#include <string>
#include <string_view>

namespace tervolen {

// A file or library that the program, run as root, refuses because another user could have changed it.
class UntrustedFileError : public Error {
public:
    using Error::Error;
};

// Whether folder exists and every user of the machine may write it (mode o+w): anyone could then plant a link
// or swap a file there. A sticky folder such as /tmp counts too, since others may still create names in it.
bool anyoneMayWrite(const std::string& folder);

// The red Monitor line that warns about such a folder.
std::string anyoneMayWriteWarning(const std::string& folder);
// Whether a Monitor line is such a warning, which is no failure of the run that shows it.
bool isOpenFolderWarning(std::string_view line);

// Whether the program runs with the rights of root.
bool runningAsRoot();

// Run as root, throws UntrustedFileError naming path (the file open at fd) when the file is not owned by root
// or group or others may write it: such a file could tell root to run code of another user. Does nothing for
// other users.
void checkTrustedByRoot(int fd, const std::string& path);

// Run as root, throws UntrustedFileError unless name is a bare library name (no '/', found by the system's
// loader) or an absolute path whose file and every folder up to / are owned by root and not writable by group
// or others. Does nothing for other users.
void checkLibraryTrustedByRoot(const std::string& name);

// Creates folder and its missing parents with mode 0700; existing folders keep their mode. Throws Error
// "Unable to create directory \"folder\". reason".
void createOwnerOnlyFolders(const std::string& folder);

} // namespace tervolen
