#pragma once

#include <string>

namespace tervolen {

// The program's version as given to the build, or "Unstable" for a build without one.
std::string readFileVersion();

} // namespace tervolen
