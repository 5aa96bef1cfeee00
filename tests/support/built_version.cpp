#include "built_version.h"

#include "temp_dir.h"
#include "test_config.h"

namespace tervolen::test {

std::string builtVersion() {
    std::string output;
    runCommand(std::string(kTervolenCli) + " --version", &output);
    return output;
}

} // namespace tervolen::test
