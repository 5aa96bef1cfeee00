// tervolen-cli prune on a real backup folder, as cron would run it.
#include "core/settings_file.h"
#include "temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace tervolen {
namespace {

namespace fs = std::filesystem;

class CliPruneTest : public ::testing::Test {
protected:
    CliPruneTest() {
        fs::create_directory(dir.file("backups"));
        withSettings(dir.file("tervolen.ini"), [&](SettingsFile& s) {
            s.writeText("DIRECTORYS", "BackUpDir", dir.file("backups"));
            s.writeText("BKPEXT", "Ext", ".fbk");
            s.writeText("RETENTION", "KeepLast", "1");
            s.writeText("RETENTION", "KeepMonthly", "2");
        });
        for (const char* name : {"202610010012.fbk", "202610010012.zip", "202611150012.fbk", "202611200012.zip",
                                 "202612090012.fbk", "202612100012.fbk", "202612100012.zip", "notes.txt"})
            test::writeFile(dir.file("backups/") + name, name);
    }

    int cli(const std::string& arguments, std::string* output) {
        return test::runCommand(std::string(TERVOLEN_CLI) + " " + arguments + " 2>&1", output);
    }

    test::TempDir dir;
};

TEST_F(CliPruneTest, ADryRunPrintsTheKeptSetsWithTheirRulesAndPruneRemovesExactlyTheOthers) {
    const std::string settings = " --settings " + dir.file("tervolen.ini");
    const std::vector<std::string> before = test::listing(dir.file("backups"));
    std::string output;
    ASSERT_EQ(cli("prune --dry-run" + settings, &output), 0) << output;
    EXPECT_EQ(test::listing(dir.file("backups")), before);
    EXPECT_NE(output.find("Keeps 202612100012 (newest, last 1, monthly 2026-12)"), std::string::npos) << output;
    EXPECT_NE(output.find("Keeps 202611200012 (monthly 2026-11)"), std::string::npos) << output;
    EXPECT_NE(output.find("Would remove backup " + dir.file("backups/202612090012.fbk")), std::string::npos) << output;

    ASSERT_EQ(cli("prune" + settings, &output), 0) << output;
    EXPECT_EQ(test::listing(dir.file("backups")),
              (std::vector<std::string>{"202611200012.zip", "202612100012.fbk", "202612100012.zip", "notes.txt"}));
    EXPECT_NE(output.find("Removed " + dir.file("backups/202610010012.zip")), std::string::npos) << output;
}

TEST_F(CliPruneTest, PruneNeedsTheSettingsFileNamed) {
    std::string output;
    EXPECT_EQ(cli("prune --dry-run", &output), 2) << output;
    EXPECT_NE(output.find("prune needs --settings FILE"), std::string::npos) << output;
    EXPECT_EQ(cli("backup --dry-run", &output), 2) << output;
}

} // namespace
} // namespace tervolen
