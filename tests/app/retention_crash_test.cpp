// Pruning and journal appends killed with SIGKILL while they work: the journal always reads, no file that the policy
// keeps (nor any file that is no set's) is ever gone, and the next run ends where an uncut one would have.
#include "app/prune_backups.h"

#include "core/run_journal.h"
#include "crash_harness.h"
#include "temp_dir.h"

#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <iostream>
#include <sys/syscall.h>

namespace tervolen {
namespace {

namespace fs = std::filesystem;

const std::vector<std::string> kKeptStamps = {"202612100514", "202612090514"};
// Enough sets that the removals take most of the run, so that kills land among them.
std::vector<std::string> prunedStamps() {
    std::vector<std::string> stamps;
    for (int month = 10; month <= 11; ++month)
        for (int day = 1; day <= 28; ++day) {
            char stamp[16];
            std::snprintf(stamp, sizeof stamp, "2026%02d%02d0514", month, day);
            stamps.emplace_back(stamp);
        }
    return stamps;
}
const std::vector<std::string> kPrunedStamps = prunedStamps();
const std::vector<std::string> kForeign = {"b/notes.txt", "b/2026.fbk", "m/202611010514 (1).zip"};

RunRecord runRecord(const std::string& stamp, const std::string& error = {}) {
    RunRecord record;
    record.stamp = stamp;
    record.origin = "schedule";
    record.result = "ok";
    record.error = error;
    return record;
}

class RetentionCrash : public ::testing::Test {
protected:
    RetentionCrash() {
        settings.policy = {.keepLast = 2};
        settings.locations = {dir.file("b"), ".fbk", {dir.file("m")}, dir.file("l/")};
        settings.journalPath = dir.file("tervolen.journal");
    }

    static std::vector<std::string> setFiles(const std::string& stamp) {
        return {"b/" + stamp + ".fbk", "b/" + stamp + ".zip", "m/" + stamp + ".zip", "m/" + stamp + " (2).zip",
                "l/" + stamp + ".fbkBackupLog.log"};
    }

    void reset() {
        fs::remove_all(dir.file("b"));
        fs::remove_all(dir.file("m"));
        fs::remove_all(dir.file("l"));
        for (const char* folder : {"b", "m", "l"})
            fs::create_directory(dir.file(folder));
        std::vector<RunRecord> journal;
        for (const auto* stamps : {&kPrunedStamps, &kKeptStamps})
            for (const std::string& stamp : *stamps) {
                for (const std::string& file : setFiles(stamp))
                    test::writeFile(dir.file(file), file);
                journal.push_back(runRecord(stamp));
            }
        for (const std::string& file : kForeign)
            test::writeFile(dir.file(file), file);
        rewriteRunJournal(settings.journalPath, journal);
    }

    void prune() {
        MonitorLog monitor;
        pruneBackups(settings, ftp, monitor, false);
    }

    // Nothing the policy keeps is gone, the journal reads; returns how many pruned files were still there.
    int checkCut() {
        for (const std::string& stamp : kKeptStamps)
            for (const std::string& file : setFiles(stamp))
                EXPECT_EQ(test::readFile(dir.file(file)), file);
        for (const std::string& file : kForeign)
            EXPECT_TRUE(fs::exists(dir.file(file))) << file;
        EXPECT_NO_THROW(readRunJournal(settings.journalPath));
        int left = 0;
        for (const std::string& stamp : kPrunedStamps)
            for (const std::string& file : setFiles(stamp))
                left += fs::exists(dir.file(file)) ? 1 : 0;
        return left;
    }

    // The next, uncut prune leaves the kept sets, the foreign files and their journal records only.
    void checkNextRun() {
        prune();
        EXPECT_EQ(checkCut(), 0);
        std::vector<std::string> stamps;
        for (const RunRecord& record : readRunJournal(settings.journalPath))
            stamps.push_back(record.stamp);
        EXPECT_EQ(stamps, (std::vector<std::string>{kKeptStamps[0], kKeptStamps[1]}));
        for (const char* folder : {"b", "m", "l"})
            for (const std::string& name : test::listing(dir.file(folder)))
                EXPECT_FALSE(name.starts_with(".")) << "a temporary survived: " << name;
    }

    test::TempDir dir;
    PruneSettings settings;
    FtpClient ftp;
};

TEST_F(RetentionCrash, APruneKilledAtRandomMomentsRemovesNothingItShouldKeep) {
    ASSERT_EQ(test::threadCount(), 1) << "fork needs a process without other threads";
    reset();
    test::KillTally tally;
    const int prunedFiles = static_cast<int>(kPrunedStamps.size() * setFiles("").size());
    test::killAtRandomMoments(
        "prune", [&] { prune(); }, [&] { reset(); },
        [&](test::RunEnd end) {
            const int left = checkCut();
            tally.add(end == test::RunEnd::Finished ? "finished"
                      : left == prunedFiles         ? "before"
                      : left == 0                   ? "after"
                                                    : "during");
            checkNextRun();
            reset();
        },
        [&] { return tally.text(); });
    if (HasFailure())
        return;
    EXPECT_GT(tally.count("during"), 0) << "no kill landed while removing";
}

TEST_F(RetentionCrash, AJournalAppendKilledAtEverySystemCallLeavesTheOldOrTheNewJournal) {
    ASSERT_EQ(test::threadCount(), 1) << "fork needs a process without other threads";
    const RunRecord added = runRecord("202612110514", std::string(5000, 'x'));
    auto resetJournal = [&] { rewriteRunJournal(settings.journalPath, {runRecord("202612100514")}); };
    resetJournal();
    const std::vector<RunRecord> before = readRunJournal(settings.journalPath);
    std::vector<RunRecord> after = before;
    after.push_back(added);
    const int calls =
        test::killAtEverySystemCall([&] { appendRunRecord(settings.journalPath, added); },
                                    [&](const test::TracedKill&) {
                                        const std::vector<RunRecord> read = readRunJournal(settings.journalPath);
                                        EXPECT_TRUE(read == before || read == after);
                                        appendRunRecord(settings.journalPath, added);
                                        const std::vector<RunRecord> next = readRunJournal(settings.journalPath);
                                        EXPECT_EQ(next.back(), added);
                                        resetJournal();
                                    });
    std::cout << "journal append: " << calls << " system calls, killed at each\n";
}

TEST_F(RetentionCrash, AJournalAppendIsFlushedAfterItsWrite) {
    ASSERT_EQ(test::threadCount(), 1) << "fork needs a process without other threads";
    test::RunEnd end = test::RunEnd::Failed;
    const std::vector<test::SystemCall> calls =
        test::traceSystemCalls([&] { appendRunRecord(settings.journalPath, runRecord("")); }, &end);
    ASSERT_EQ(end, test::RunEnd::Finished);
    bool written = false;
    bool flushedAfter = false;
    for (const test::SystemCall& call : calls) {
        if (call.number == SYS_write && call.result > 0)
            written = true;
        if (written && test::flushesFile(call.number) && !call.paths.empty() && call.paths[0] == settings.journalPath)
            flushedAfter = true;
    }
    EXPECT_TRUE(written);
    EXPECT_TRUE(flushedAfter);
}

TEST_F(RetentionCrash, TheJournalRewriteOfAPruneIsPutInPlaceDurably) {
    ASSERT_EQ(test::threadCount(), 1) << "fork needs a process without other threads";
    reset();
    test::RunEnd end = test::RunEnd::Failed;
    const std::vector<test::SystemCall> calls = test::traceSystemCalls([&] { prune(); }, &end);
    ASSERT_EQ(end, test::RunEnd::Finished);
    test::expectPutInPlaceDurably(calls, settings.journalPath);
}

} // namespace
} // namespace tervolen
