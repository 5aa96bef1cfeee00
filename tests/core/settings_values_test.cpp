#include "core/errors.h"
#include "core/posix_file.h"
#include "core/settings_values.h"
#include "temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace tervolen {
namespace {

// What the backup and restore jobs read, for files written under every spelling of the keys.
TEST(JobSettings, ReadFromTheFileAsTheJobsSeeThem) {
    struct Case {
        const char* file;
        BackupFileSettings backup;
    };
    const Case cases[] = {
        {"", {"", "", false}},
        {"[DIRECTORYS]\r\nBase=/d.fdb\r\nBackUpDir=/b\r\n[VERBOSEMODE]\r\nVerbose=Checked\r\n", {"/d.fdb", "/b", true}},
        {"[directorys]\r\nbase = /d.fdb \r\nBACKUPDIR=/b\r\n[verbosemode]\r\nverbose=0\r\n", {"/d.fdb", "/b", true}},
        {"[DIRECTORYS]\r\nBackupDir=/old\r\nBackUpDir=/new\r\n[VERBOSEMODE]\r\nVerbose=\r\n", {"", "/new", false}},
        {"[DIRECTORYS]\nBase=/a\n[DIRECTORYS]\nBase=/b\n", {"/b", "", false}},
    };
    for (const Case& c : cases) {
        test::TempDir dir;
        const std::string path = dir.file("tervolen.ini");
        test::writeFile(path, c.file);
        const BackupFileSettings backup = readBackupFileSettings(path);
        EXPECT_EQ(backup.databasePath, c.backup.databasePath) << c.file;
        EXPECT_EQ(backup.backupFolder, c.backup.backupFolder) << c.file;
        EXPECT_EQ(backup.verbose, c.backup.verbose) << c.file;
        EXPECT_EQ(readRestoreFileSettings(path).verbose, c.backup.verbose) << c.file;
        EXPECT_EQ(test::readFile(path), c.file) << "a job's read never writes the file";
    }
}

TEST(JobSettings, AMissingFileReadsAsEmptyAndIsNotCreated) {
    test::TempDir dir;
    const BackupFileSettings backup = readBackupFileSettings(dir.file("none.ini"));
    EXPECT_EQ(backup.databasePath, "");
    EXPECT_FALSE(backup.verbose);
    EXPECT_FALSE(std::filesystem::exists(dir.file("none.ini")));
}

TEST(ReadHelpers, OpenToReadAndReadToEnd) {
    test::TempDir dir;
    std::string big(200 * 1024 + 7, 'x');
    for (std::size_t i = 0; i < big.size(); i += 4099)
        big[i] = static_cast<char>('a' + i % 26);
    test::writeFile(dir.file("big"), big);
    auto file = openToRead(dir.file("big"), "shown", false);
    ASSERT_TRUE(file);
    std::string read;
    readToEnd(file->get(), "shown", [&](std::string_view chunk) { read.append(chunk); });
    EXPECT_EQ(read, big);

    EXPECT_FALSE(openToRead(dir.file("missing"), "shown", true));
    try {
        openToRead(dir.file("missing"), "shown", false);
        FAIL();
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Cannot open file \"shown\". No such file or directory");
    }
    try {
        openToRead(dir.path(), "folder", true);
        FAIL();
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Cannot open file \"folder\". Is a directory");
    }
}

} // namespace
} // namespace tervolen
