// Scheduled backups through the program against the real Firebird server (embedded access) with a retention
// policy: every run goes into the journal, a failed run prunes nothing, the next good one prunes the failed sets
// and the old ones the policy does not keep.
#include "core/run_journal.h"
#include "embedded_program_test.h"
#include "temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace tervolen {
namespace {

namespace fs = std::filesystem;

class RetentionChainTest : public test::EmbeddedProgramTest {
protected:
    void SetUp() override {
        EmbeddedProgramTest::SetUp();
        form.addItem("MirrorListView", dir.file("mirror"));
        form.setText("SpinKeepLast", "1");
        fs::create_directories(dir.file("backups"));
        fs::create_directories(dir.file("mirror"));
        for (const char* stamp : {"202612070014", "202612080014"})
            for (const std::string& file :
                 {"backups/" + std::string(stamp) + ".fbk", "backups/" + std::string(stamp) + ".zip",
                  "mirror/" + std::string(stamp) + ".zip"})
                test::writeFile(dir.file(file), "older run");
    }

    std::vector<std::string> journal() const {
        std::vector<std::string> runs;
        for (const RunRecord& record : readRunJournal(dir.file("tervolen.journal")))
            runs.push_back(record.stamp + " " + record.origin + " " + record.result);
        return runs;
    }
};

TEST_F(RetentionChainTest, FailedScheduledRunsPruneNothingAndTheNextGoodOnePrunes) {
    setDatabase(dir.file("missing.fdb"));
    for (int minute : {10, 20, 30}) {
        clock.set(2026, 12, 9, 15, minute);
        program->runBackup(true);
    }
    for (const std::string& run : journal())
        EXPECT_TRUE(run.ends_with(" schedule failed")) << run;
    EXPECT_EQ(test::listing(dir.file("mirror")), (std::vector<std::string>{"202612070014.zip", "202612080014.zip"}));
    for (const char* stamp : {"202612070014", "202612080014"}) {
        EXPECT_TRUE(fs::exists(dir.file("backups/") + stamp + ".fbk")) << stamp;
        EXPECT_TRUE(fs::exists(dir.file("backups/") + stamp + ".zip")) << stamp;
    }

    setDatabase(dir.file("source.fdb"));
    clock.set(2026, 12, 9, 16, 30);
    EXPECT_TRUE(program->runBackup(true).result);
    EXPECT_EQ(test::listing(dir.file("backups")), (std::vector<std::string>{"202612093016.fbk", "202612093016.zip"}));
    EXPECT_EQ(test::listing(dir.file("mirror")), std::vector<std::string>{"202612093016.zip"});
    // The failed runs' records are older than the one set kept, so the pruning dropped them.
    EXPECT_EQ(journal(), std::vector<std::string>{"202612093016 schedule ok"});
}

// The warning about a mirror folder that every user may write is red, yet no failure of the run.
TEST_F(RetentionChainTest, ARunStartedByHandIsRecordedWithoutPruningWhenNoRuleIsSet) {
    form.setText("SpinKeepLast", "0");
    fs::permissions(dir.file("mirror"), fs::perms::all);
    clock.set(2026, 12, 9, 16, 30);
    EXPECT_TRUE(program->runBackup(false).result);
    EXPECT_EQ(journal(), std::vector<std::string>{"202612093016 window ok"});
    EXPECT_EQ(test::listing(dir.file("mirror")),
              (std::vector<std::string>{"202612070014.zip", "202612080014.zip", "202612093016.zip"}));
}

} // namespace
} // namespace tervolen
