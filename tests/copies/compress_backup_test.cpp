#include "copies/compress_backup.h"
#include "temp_dir.h"
#include "test_bytes.h"
#include "zip_test_readers.h"
#include "tmpfs_mount.h"

#include <gtest/gtest.h>
#include <random>

namespace tervolen {
namespace {

constexpr const char* kBackupName = "200612093015.fbk";

struct CompressionRun {
    std::vector<MonitorParagraph> lines;
    bool archiveHandedOn = false;
};

CompressionRun compress(const std::string& folder) {
    MonitorLog monitor;
    ZipArchiveWriter writer;
    CompressionRun run;
    run.archiveHandedOn =
        compressBackup(folder + "/" + kBackupName, {.method = CompressionMethod::Deflate}, writer, monitor).has_value();
    for (std::size_t i = 0; i < monitor.size(); ++i)
        run.lines.push_back(monitor.paragraph(i));
    return run;
}

TEST(CompressBackup, AMadeArchiveIsCountedAndHandedToTheMirrors) {
    test::TempDir dir;
    test::writeFile(dir.file(kBackupName), test::randomBytes(100000, 7));
    CompressionRun run = compress(dir.path());
    ASSERT_EQ(run.lines.size(), 2u);
    EXPECT_EQ(run.lines[1].text, "Compressed Files: 1");
    EXPECT_TRUE(run.archiveHandedOn);
}

TEST(CompressBackup, AnArchiveThatDoesNotFitIsAnErrorAndNothingIsHandedOn) {
    test::TempDir dir;
    test::TmpfsMount medium(dir.file("backups"), "size=1m,mode=0755");
    TERVOLEN_SKIP_WITHOUT_TMPFS(medium, "a full medium needs a tmpfs mount (root)");
    // The backup fits on the medium, its archive beside it does not.
    test::writeFile(dir.file(std::string("backups/") + kBackupName), test::randomBytes(700000, 7));

    CompressionRun run = compress(dir.file("backups"));

    ASSERT_EQ(run.lines.size(), 4u);
    EXPECT_EQ(run.lines[1].text, "Compressed Files: 0");
    EXPECT_EQ(run.lines[2].text, "Compression Error");
    EXPECT_EQ(run.lines[2].color, kRed);
    EXPECT_EQ(run.lines[3].color, kRed);
    EXPECT_NE(run.lines[3].text.find("No space left"), std::string::npos) << run.lines[3].text;
    EXPECT_FALSE(run.archiveHandedOn);
}

struct ThreadsCase {
    const char* setting;
    unsigned threads;
    bool warned;
};

class CompressBackupThreads : public ::testing::TestWithParam<ThreadsCase> {};

// A setting that is no thread count is used as missing (every core) and said on the Monitor; the archive is made.
TEST_P(CompressBackupThreads, SettingGivesTheWritersThreads) {
    const ThreadsCase& c = GetParam();
    test::TempDir dir;
    test::writeFile(dir.file(kBackupName), test::backupLikeBytes(300000, 7));
    MonitorLog monitor;
    ZipArchiveWriter writer;
    writer.setThreads(7);
    ASSERT_TRUE(compressBackup(dir.file(kBackupName), {.method = CompressionMethod::Bzip2, .threads = c.setting}, writer, monitor));
    EXPECT_EQ(writer.threads(), c.threads);
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < monitor.size(); ++i)
        lines.push_back(monitor.paragraph(i).text);
    ASSERT_EQ(lines.size(), c.warned ? 3u : 2u);
    if (c.warned) {
        EXPECT_EQ(lines[0], std::string("Compression Threads \"") + c.setting +
                                "\" is not a number of threads from 0 to 256; every core is used.");
        EXPECT_EQ(monitor.paragraph(0).color, kRed);
    }
    EXPECT_EQ(lines.back(), "Compressed Files: 1");
}

INSTANTIATE_TEST_SUITE_P(Settings, CompressBackupThreads,
                         ::testing::Values(ThreadsCase{"", 0, false}, ThreadsCase{"0", 0, false},
                                           ThreadsCase{"1", 1, false}, ThreadsCase{"3", 3, false},
                                           ThreadsCase{"256", 256, false}, ThreadsCase{"257", 0, true},
                                           ThreadsCase{"-1", 0, true}, ThreadsCase{"two", 0, true},
                                           ThreadsCase{"2x", 0, true}, ThreadsCase{" 2", 0, true}));

std::vector<MonitorParagraph> linesOf(const MonitorLog& monitor) {
    std::vector<MonitorParagraph> lines;
    for (std::size_t i = 0; i < monitor.size(); ++i)
        lines.push_back(monitor.paragraph(i));
    return lines;
}

TEST(CompressBackup, AnEncryptedArchiveIsSaidSoAndOpensWithItsPassword) {
    test::TempDir dir;
    test::writeFile(dir.file(kBackupName), test::backupLikeBytes(200000, 3));
    MonitorLog monitor;
    ZipArchiveWriter writer;
    ASSERT_TRUE(compressBackup(dir.file(kBackupName),
                               {.method = CompressionMethod::Deflate, .encrypt = true, .password = "pa55"}, writer,
                               monitor));
    const std::vector<MonitorParagraph> lines = linesOf(monitor);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1].text, "Compressed Files: 1");
    EXPECT_EQ(lines[2].text, "The archive is encrypted (AES-256): open it with 7-Zip or bsdtar and the password.");
    const std::string archive = test::shellQuote(dir.file("200612093015.zip"));
    EXPECT_EQ(test::runCommand("7z e -so -bd -ppa55 " + archive + " 2>/dev/null | cmp -s - " +
                               test::shellQuote(dir.file(kBackupName))),
              0);
    EXPECT_NE(test::runCommand("unzip -p " + archive + " >/dev/null 2>&1"), 0) << "unzip cannot open AES entries";
}

TEST(CompressBackup, EncryptionWithoutAPasswordIsAnErrorAndLeavesNoArchive) {
    test::TempDir dir;
    test::writeFile(dir.file(kBackupName), test::backupLikeBytes(200000, 3));
    MonitorLog monitor;
    ZipArchiveWriter writer;
    EXPECT_FALSE(compressBackup(dir.file(kBackupName), {.method = CompressionMethod::Deflate, .encrypt = true},
                                writer, monitor));
    const std::vector<MonitorParagraph> lines = linesOf(monitor);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[2].text, "Compression Error");
    EXPECT_EQ(lines[3].text, "An encrypted archive needs a password.");
    EXPECT_EQ(lines[3].color, kRed);
    EXPECT_EQ(test::listing(dir.path()), std::vector<std::string>{kBackupName});
}

} // namespace
} // namespace tervolen
