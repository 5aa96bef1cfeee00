// Start-up after the program was stopped through ticked hours of today: the Monitor names them, and with
// [SCHEDULE] CatchUp one scheduled backup runs against the real engine (embedded access) for all of them.
#include "app/program.h"
#include "core/color.h"
#include "core/run_journal.h"
#include "core/settings_file.h"
#include "embedded_program_test.h"
#include "monitor_lines.h"
#include "temp_dir.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>

namespace tervolen {
namespace {

namespace fs = std::filesystem;

constexpr const char* kMissedLine = "Missed scheduled backups today at 03:00, 09:00";

class MissedRunsTest : public test::EmbeddedProgramTest {
protected:
    void SetUp() override {
        clock.set(2026, 12, 9, 10, 15, 30); // a Wednesday
        EmbeddedProgramTest::SetUp();
        RunRecord yesterday;
        yesterday.stamp = "202612080021";
        yesterday.started = "2026-12-08 21:00:02";
        yesterday.ended = "2026-12-08 21:04:40";
        yesterday.origin = "schedule";
        yesterday.result = "ok";
        appendRunRecord(journalPath(), yesterday);
    }

    void writeSchedule(bool catchUp, bool nowsHourTicked) {
        withSettings(paths.settingsFile, [&](SettingsFile& s) {
            s.writeText("DAYS", "Wednesday", "1");
            for (const char* hour : {"03:00", "09:00", "21:00"})
                s.writeText("HOURS", hour, "1");
            s.writeText("HOURS", "10:00", nowsHourTicked ? "1" : "0");
            if (catchUp)
                s.writeText("SCHEDULE", "CatchUp", "1");
        });
    }

    std::string journalPath() const { return runJournalPath(paths.settingsFile); }

    std::vector<std::string> backups() const {
        std::vector<std::string> names;
        if (fs::exists(dir.file("backups")))
            for (const auto& entry : fs::directory_iterator(dir.file("backups")))
                names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    bool monitorShows(const std::string& line) const {
        const std::vector<std::string> lines = test::monitorTexts(monitor);
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
};

TEST_F(MissedRunsTest, WithoutCatchUpTheMissedHoursAreNamedAndNothingRuns) {
    writeSchedule(false, false);
    program->checkMissedRuns();
    ASSERT_TRUE(monitorShows(kMissedLine)) << ::testing::PrintToString(test::monitorTexts(monitor));
    EXPECT_EQ(monitor.paragraph(monitor.size() - 1).color, kRed);
    EXPECT_TRUE(backups().empty());
    EXPECT_EQ(readRunJournal(journalPath()).size(), 1u);
}

TEST_F(MissedRunsTest, WithCatchUpOneScheduledBackupRunsForAllMissedHours) {
    writeSchedule(true, false);
    program->checkMissedRuns();
    EXPECT_EQ(backups(), (std::vector<std::string>{"202612091510.fbk", "202612091510.zip"}));
    const std::vector<RunRecord> journal = readRunJournal(journalPath());
    ASSERT_EQ(journal.size(), 2u);
    EXPECT_EQ(journal.back().origin, "schedule");
    EXPECT_EQ(journal.back().result, "ok");
    EXPECT_EQ(test::monitorTexts(monitor).back(), "Caught up on the missed backups of 03:00, 09:00 with one backup");

    // The catch-up is in the journal: the next start finds nothing missed.
    monitor.clearMonitor();
    program->checkMissedRuns();
    EXPECT_FALSE(monitorShows(kMissedLine));
    EXPECT_EQ(backups().size(), 2u);
}

TEST_F(MissedRunsTest, WhenNowsHourIsTickedTheScheduleMakesTheOnlyBackup) {
    writeSchedule(true, true);
    program->checkMissedRuns();
    EXPECT_TRUE(monitorShows(kMissedLine));
    EXPECT_TRUE(backups().empty());
    program->onScheduleTick();
    EXPECT_EQ(backups(), (std::vector<std::string>{"202612091510.fbk", "202612091510.zip"}));
    EXPECT_EQ(readRunJournal(journalPath()).size(), 2u);
}

TEST_F(MissedRunsTest, AnUnreadableJournalIsARedLine) {
    writeSchedule(true, false);
    fs::remove(journalPath());
    fs::create_directory(journalPath());
    program->checkMissedRuns();
    ASSERT_GT(monitor.size(), 0u);
    EXPECT_EQ(monitor.paragraph(monitor.size() - 1).color, kRed);
    EXPECT_NE(test::monitorTexts(monitor).back().find(journalPath()), std::string::npos)
        << test::monitorTexts(monitor).back();
    EXPECT_TRUE(backups().empty());
}

} // namespace
} // namespace tervolen
