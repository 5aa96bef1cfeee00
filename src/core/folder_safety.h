#pragma once

#include <string>

namespace tervolen {

// Whether folder exists and every user of the machine may write it (mode o+w): anyone could then plant a link
// or swap a file there. A sticky folder such as /tmp counts too, since others may still create names in it.
bool AnyoneMayWrite(const std::string& folder);

// The red Monitor line that warns about such a folder.
std::string AnyoneMayWriteWarning(const std::string& folder);

// Whether the program runs with the rights of root.
bool RunningAsRoot();

// Creates folder and its missing parents with mode 0700; existing folders keep their mode. Throws Error
// "Unable to create directory \"folder\". reason".
void CreateOwnerOnlyFolders(const std::string& folder);

} // namespace tervolen
