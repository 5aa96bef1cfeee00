#include "copies/compress_backup.h"
#include "temp_dir.h"
#include "test_bytes.h"
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
        compressBackup(folder + "/" + kBackupName, {CompressionMethod::Deflate}, writer, monitor).has_value();
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

} // namespace
} // namespace tervolen
