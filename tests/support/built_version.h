#pragma once

#include <string>

namespace tervolen::test {

// What the tervolen-cli of the build folder says to --version.
std::string builtVersion();

} // namespace tervolen::test
