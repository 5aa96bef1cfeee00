// tervolen-cli as a process, where no server is needed: a settings file named but missing, and the ends of
// the scheduler on the termination signals.
#include "temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace tervolen {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> FolderEntries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    return names;
}

TEST(CliProcess, AMissingSettingsFileIsAUsageErrorAndIsNotCreated) {
    test::TempDir dir;
    const std::string typo = dir.file("typo.ini");
    for (const std::string arguments : {"backup", "run", "restore --backup x.fbk --database y.fdb",
                                        "validate --database y.fdb --option ValidateFull"}) {
        std::string output;
        // Without the check "run" would serve the schedule: the guard ends it.
        EXPECT_EQ(test::RunCommand("timeout 60 " + std::string(TERVOLEN_CLI) + " " + arguments + " --settings " + typo,
                                   &output),
                  2)
            << arguments << ": " << output;
        EXPECT_EQ(output, "tervolen-cli: settings file not found: " + typo + "\n") << arguments;
        EXPECT_TRUE(FolderEntries(dir.path()).empty()) << arguments;
    }
}

} // namespace
} // namespace tervolen
