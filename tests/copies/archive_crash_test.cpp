#include "copies/compress_backup.h"
#include "copies/zip_archive_writer.h"
#include "core/posix_file.h"
#include "crash_harness.h"
#include "temp_dir.h"
#include "test_bytes.h"
#include "zip_test_readers.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <iostream>
#include <optional>
#include <random>
#include <stdexcept>

namespace tervolen {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr const char* kBackupName = "200612093015.fbk";
constexpr const char* kArchiveName = "200612093015.zip";
constexpr const char* kOlderName = "200612083015.fbk";

bool unzipAccepts(const std::string& archive) {
    return test::runCommand("unzip -tqq " + test::shellQuote(archive)) == 0;
}

// CompressBackup packing the run's backup into an archive beside it, killed while it works. No file may stand
// under the archive's name unless it is the complete new archive (the bytes of an uncut run, which readers accept)
// or, when one was there before, the old archive byte for byte; the next run leaves no temporary behind.
class ArchiveCrash : public ::testing::Test {
protected:
    // With an older archive to add to, or none.
    void prepare(size_t backupSize, bool addToExisting) {
        test::writeFile(dir.file(kBackupName), test::backupLikeBytes(backupSize, 1));
        if (addToExisting) {
            test::writeFile(sources.file(kOlderName), test::backupLikeBytes(backupSize / 2, 2));
            ZipArchiveWriter writer;
            writer.setCompressMethod(CompressionMethod::Store);
            writer.setArchiveFile(archive());
            writer.fileSpec().push_back(sources.file(kOlderName));
            ASSERT_EQ(writer.compress(), 1);
            oldArchive = test::readFile(archive());
            ASSERT_TRUE(unzipAccepts(archive()));
        }
        compress();
        newArchive = test::readFile(archive());
        std::vector<test::ExpectedEntry> entries{{kBackupName, dir.file(kBackupName)}};
        if (addToExisting)
            entries.insert(entries.begin(), {kOlderName, sources.file(kOlderName)});
        test::expectReadersAccept(archive(), entries, true);
        reset();
    }

    std::string archive() const { return dir.file(kArchiveName); }

    void compress() {
        MonitorLog monitor;
        ZipArchiveWriter writer;
        if (!compressBackup(dir.file(kBackupName), {.method = CompressionMethod::Deflate, .threads = threads}, writer,
                            monitor))
            throw std::runtime_error(monitor.paragraph(monitor.size() - 1).text);
    }

    // Random kills land while workers code blocks; the kills at each system call need the same calls in every run,
    // which the waits for the workers do not give.
    std::string threads = "2";

    void reset() {
        if (oldArchive)
            test::writeFile(archive(), *oldArchive);
        else
            fs::remove(archive());
    }

    // Where the kill landed, judged by what is on disk: "before" (the old state, no temporary), "during" (the old
    // state and a temporary) or "after" (the new archive). Anything else fails the test.
    std::string landing() {
        bool temporary = false;
        for (const std::string& name : test::listing(dir.path())) {
            if (isHiddenTemporary(name, kArchiveName))
                temporary = true;
            else if (name != kBackupName && name != kArchiveName)
                ADD_FAILURE() << "unexpected file " << name;
        }
        std::error_code ec;
        if (fs::exists(archive(), ec)) {
            const std::string bytes = test::readFile(archive());
            if (bytes == newArchive) {
                EXPECT_TRUE(unzipAccepts(archive()));
                return "after";
            }
            EXPECT_TRUE(oldArchive && bytes == *oldArchive)
                << "the archive is neither the old nor the new one: " << bytes.size() << " bytes";
        } else {
            EXPECT_FALSE(oldArchive) << "the old archive is gone";
        }
        return temporary ? "during" : "before";
    }

    // landing() of a killed run; a run that ended by itself must have put the new archive in place.
    std::string ending(test::RunEnd end) {
        const std::string where = landing();
        if (end == test::RunEnd::Killed)
            return where;
        EXPECT_EQ(where, "after");
        return "finished";
    }

    // The next run ends with the new archive and nothing else beside the backup.
    void nextRunAndReset() {
        MonitorLog monitor;
        ZipArchiveWriter writer;
        compressBackup(dir.file(kBackupName), {.method = CompressionMethod::Deflate}, writer, monitor);
        EXPECT_TRUE(test::readFile(archive()) == newArchive) << monitor.paragraph(monitor.size() - 1).text;
        EXPECT_EQ(test::listing(dir.path()), (std::vector<std::string>{kBackupName, kArchiveName}))
            << "a temporary survived";
        reset();
    }

    void killAtRandomMoments(const char* label) {
        test::KillTally tally;
        test::killAtRandomMoments(
            label, [&] { compress(); }, [&] { reset(); },
            [&](test::RunEnd end) {
                tally.add(ending(end));
                nextRunAndReset();
            },
            [&] { return tally.text(); });
        if (HasFailure())
            return;
        EXPECT_GT(tally.count("during"), 0) << "no kill landed while the temporary was written";
    }

    void killAtEverySystemCall(const char* label) {
        ASSERT_EQ(test::threadCount(), 1) << "fork needs a process without other threads";
        threads = "1";
        test::KillTally tally;
        bool killedRightAfterRename = false;
        const int calls = test::killAtEverySystemCall([&] { compress(); },
                                                      [&](const test::TracedKill& kill) {
                                                          const std::string where = ending(kill.end);
                                                          tally.add(where);
                                                          // Between the rename and the flush of the folder: the new
                                                          // archive is in place.
                                                          if (kill.end == test::RunEnd::Killed &&
                                                              test::putsFileInPlace(kill.lastCall)) {
                                                              killedRightAfterRename = true;
                                                              EXPECT_EQ(where, "after");
                                                          }
                                                          ASSERT_NO_FATAL_FAILURE(nextRunAndReset());
                                                      });
        std::cout << label << ": " << calls << " system calls, killed at each (" << tally.text() << ")\n";
        if (HasFailure())
            return;
        EXPECT_TRUE(killedRightAfterRename);
        EXPECT_GT(tally.count("during"), 0);
    }

    // A kill keeps the page cache, so the kills above would pass without any flush; a power cut does not.
    void expectFlushes() {
        ASSERT_EQ(test::threadCount(), 1) << "fork needs a process without other threads";
        test::RunEnd end = test::RunEnd::Failed;
        const std::vector<test::SystemCall> calls = test::traceSystemCalls([&] { compress(); }, &end);
        ASSERT_EQ(end, test::RunEnd::Finished);
        test::expectPutInPlaceDurably(calls, archive());
    }

    test::TempDir dir;
    test::TempDir sources;
    std::optional<std::string> oldArchive;
    std::string newArchive;
};

TEST_F(ArchiveCrash, NewArchiveKilledAtRandomMoments) {
    ASSERT_NO_FATAL_FAILURE(prepare(192 << 10, false));
    killAtRandomMoments("new archive");
}

TEST_F(ArchiveCrash, AddingToAnArchiveKilledAtRandomMoments) {
    ASSERT_NO_FATAL_FAILURE(prepare(192 << 10, true));
    killAtRandomMoments("archive added to");
}

TEST_F(ArchiveCrash, NewArchiveKilledAtEverySystemCall) {
    ASSERT_NO_FATAL_FAILURE(prepare(64 << 10, false));
    killAtEverySystemCall("new archive");
}

TEST_F(ArchiveCrash, AddingToAnArchiveKilledAtEverySystemCall) {
    ASSERT_NO_FATAL_FAILURE(prepare(64 << 10, true));
    killAtEverySystemCall("archive added to");
}

TEST_F(ArchiveCrash, NewArchiveIsFlushedBeforeItsRenameAndItsFolderAfter) {
    ASSERT_NO_FATAL_FAILURE(prepare(64 << 10, false));
    expectFlushes();
}

TEST_F(ArchiveCrash, ArchiveAddedToIsFlushedBeforeItsRenameAndItsFolderAfter) {
    ASSERT_NO_FATAL_FAILURE(prepare(64 << 10, true));
    expectFlushes();
}

TEST_F(ArchiveCrash, RunThatCompressesNothingRemovesStaleTemporaries) {
    ASSERT_NO_FATAL_FAILURE(prepare(1000, false));
    compress();
    test::writeFile(dir.file(std::string(".") + kArchiveName + ".tervolen-Ab3xY9"), "left by a killed run");
    MonitorLog monitor;
    ZipArchiveWriter writer;
    EXPECT_FALSE(compressBackup(dir.file(kBackupName), {.method = CompressionMethod::Deflate}, writer, monitor));
    EXPECT_EQ(monitor.paragraph(monitor.size() - 1).text, "No new file to compress.");
    EXPECT_EQ(test::listing(dir.path()), (std::vector<std::string>{kBackupName, kArchiveName}));
}

} // namespace
} // namespace tervolen
