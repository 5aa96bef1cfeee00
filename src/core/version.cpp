#include "core/version.h"

namespace tervolen {

std::string readFileVersion() {
    std::string version = TERVOLEN_VERSION;
    return version.empty() ? "Unstable" : version;
}

} // namespace tervolen
