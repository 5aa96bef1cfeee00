// The monitoring check as a table of journals: each gives its exit code and line.
#include "core/backup_status.h"

#include "temp_dir.h"

#include <gtest/gtest.h>

namespace tervolen {
namespace {

RunRecord run(const std::string& ended, const std::string& result, std::optional<bool> verified = true,
              const std::string& error = {}) {
    RunRecord record;
    record.stamp = "202612100003";
    record.ended = ended;
    record.result = result;
    record.error = error;
    record.backupSize = 190840832;
    record.verified = verified;
    return record;
}

struct StatusCase {
    const char* name;
    std::optional<std::vector<RunRecord>> journal;
    StatusCode code;
    std::string line;
};

TEST(BackupStatus, EachJournalGivesItsCodeAndLine) {
    LocalTime now;
    now = {2026, 12, 10, 8, 0, 0};
    const std::vector<StatusCase> cases{
        {"no journal", std::nullopt, StatusCode::Unknown, "UNKNOWN - no journal: no backup run was recorded yet"},
        {"empty journal", std::vector<RunRecord>{}, StatusCode::Critical, "CRITICAL - no good backup"},
        {"good fresh",
         std::vector{run("2026-12-10 03:00:00", "ok")},
         StatusCode::Ok,
         "OK - last good backup 2026-12-10 03:00 (5 h ago), 182 MB, verified | age=18000s;93600;180000 size=190840832B"},
        {"good, not verified, across midnight",
         std::vector{run("2026-12-09 23:30:00", "ok", std::nullopt)},
         StatusCode::Ok,
         "OK - last good backup 2026-12-09 23:30 (8 h ago), 182 MB, not verified | age=30600s;93600;180000 "
         "size=190840832B"},
        {"good old",
         std::vector{run("2026-12-09 03:00:00", "ok")},
         StatusCode::Warning,
         "WARNING - last good backup 2026-12-09 03:00 (29 h ago), 182 MB, verified | age=104400s;93600;180000 "
         "size=190840832B"},
        {"good too old",
         std::vector{run("2026-12-07 03:00:00", "ok")},
         StatusCode::Critical,
         "CRITICAL - last good backup 2026-12-07 03:00 (3 d ago), 182 MB, verified | age=277200s;93600;180000 "
         "size=190840832B"},
        {"last failed",
         std::vector{run("2026-12-10 03:00:00", "ok"), run("2026-12-10 07:00:00", "failed", false, "a | b")},
         StatusCode::Warning,
         "WARNING - last run failed: a / b; last good backup 2026-12-10 03:00 (5 h ago), 182 MB, verified | "
         "age=18000s;93600;180000 size=190840832B"},
        {"only failed",
         std::vector{run("2026-12-10 07:00:00", "failed", false, "Error Code 00026 ")},
         StatusCode::Critical,
         "CRITICAL - no good backup, last run failed: Error Code 00026"},
        {"good with an unreadable end is no good backup",
         std::vector{run("2026-12-10 03:00:00", "ok"), run("yesterday", "ok")},
         StatusCode::Ok,
         "OK - last good backup 2026-12-10 03:00 (5 h ago), 182 MB, verified | age=18000s;93600;180000 "
         "size=190840832B"},
    };
    for (const StatusCase& c : cases) {
        const StatusReport report = backupStatus(c.journal, now, {});
        EXPECT_EQ(report.code, c.code) << c.name;
        EXPECT_EQ(report.line, c.line) << c.name;
    }
}

// The journal as the disk gives it back: a torn last line is no run, so the record before it speaks.
TEST(BackupStatus, ATornLastLineLeavesTheRecordBeforeIt) {
    test::TempDir dir;
    const std::string path = dir.file("tervolen.journal");
    appendRunRecord(path, run("2026-12-10 03:00:00", "ok"));
    const std::string torn = formatRunRecord(run("2026-12-10 07:00:00", "failed", false));
    test::writeFile(path, test::readFile(path) + torn.substr(0, torn.size() / 2));
    const StatusReport report = backupStatus(readRunJournal(path), {2026, 12, 10, 8, 0, 0}, {30, 40});
    EXPECT_EQ(report.code, StatusCode::Ok);
    EXPECT_EQ(report.line,
              "OK - last good backup 2026-12-10 03:00 (5 h ago), 182 MB, verified | age=18000s;108000;144000 "
              "size=190840832B");
}

TEST(BackupStatus, HoursAreNumbersFromZero) {
    EXPECT_EQ(parseStatusHours("26"), 26.0);
    EXPECT_EQ(parseStatusHours("0.5"), 0.5);
    for (const char* text : {"", "-1", "x", "1h", "nan", "inf", " 2"})
        EXPECT_FALSE(parseStatusHours(text).has_value()) << text;
}

} // namespace
} // namespace tervolen
