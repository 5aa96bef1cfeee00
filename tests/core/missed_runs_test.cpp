// Which ticked hours of today passed while the program was stopped, as a table of schedules, journals and start
// times on a fixed clock.
#include "core/journal_time.h"
#include "core/missed_runs.h"

#include "fixed_clock.h"

#include <gtest/gtest.h>

namespace tervolen {
namespace {

RunRecord run(const std::string& started, const std::string& ended) {
    RunRecord record;
    record.started = started;
    record.ended = ended;
    record.origin = "schedule";
    record.result = "ok";
    return record;
}

ScheduleFileSettings ticked(std::initializer_list<int> hours) {
    ScheduleFileSettings today;
    today.dayTicked = true;
    for (int hour : hours)
        today.hours[hour] = true;
    return today;
}

struct MissedCase {
    const char* name;
    ScheduleFileSettings today;
    std::vector<RunRecord> journal;
    int hour, minute; // the start, on Wednesday 2026-12-09
    std::vector<int> missed;
    bool scheduleDueNow;
};

TEST(MissedRuns, EachStartFindsTheHoursThatPassedWhileStopped) {
    const std::vector<RunRecord> lastRunYesterday{run("2026-12-08 21:00:02", "2026-12-08 21:04:40")};
    const std::vector<MissedCase> cases{
        {"last run yesterday", ticked({3, 9, 21}), lastRunYesterday, 10, 15, {3, 9}, false},
        {"now's hour is left to the schedule", ticked({3, 10}), lastRunYesterday, 10, 15, {3}, true},
        {"an hour that began this minute is still the schedule's", ticked({3, 10}), lastRunYesterday, 10, 0, {3}, true},
        {"before the first ticked hour", ticked({3, 9}), lastRunYesterday, 2, 59, {}, false},
        {"served at 03:00, stopped before 09:00",
         ticked({3, 9}),
         {run("2026-12-08 21:00:02", "2026-12-08 21:04:40"), run("2026-12-09 03:00:01", "2026-12-09 03:06:10")},
         11,
         0,
         {9},
         false},
        {"a run that went on past 09:00 shows the program ran then",
         ticked({3, 9}),
         {run("2026-12-09 08:50:00", "2026-12-09 09:20:00")},
         11,
         0,
         {},
         false},
        {"a manual run after both hours", ticked({3, 9}), {run("2026-12-09 09:40:00", "")}, 11, 0, {}, false},
        {"last record the day before yesterday: maybe never ran since",
         ticked({3, 9}),
         {run("2026-12-07 21:00:02", "2026-12-07 21:04:40")},
         10,
         15,
         {},
         false},
        {"no journal: the first start", ticked({3, 9}), {}, 10, 15, {}, false},
        {"a record just after yesterday's midnight counts",
         ticked({3}),
         {run("2026-12-08 00:00:00", "")},
         4,
         0,
         {3},
         false},
        {"records without readable times are passed over",
         ticked({3, 9}),
         {run("2026-12-08 21:00:02", "2026-12-08 21:04:40"), run("yesterday", "2026-13-09 10:00:00")},
         10,
         15,
         {3, 9},
         false},
        {"a record after now (the clock went back) hides every hour",
         ticked({3, 9}),
         {run("2026-12-09 23:00:00", "")},
         10,
         15,
         {},
         false},
        {"today not ticked", ScheduleFileSettings{}, lastRunYesterday, 10, 15, {}, false},
        {"no hour ticked", ticked({}), lastRunYesterday, 23, 59, {}, false},
    };
    for (const MissedCase& c : cases) {
        test::FixedClock clock;
        clock.set(2026, 12, 9, c.hour, c.minute, 30);
        const MissedRuns missed = findMissedRuns(c.today, c.journal, clock.now());
        EXPECT_EQ(missed.hours, c.missed) << c.name;
        EXPECT_EQ(missed.scheduleDueNow, c.scheduleDueNow) << c.name;
    }
}

TEST(MissedRuns, AcrossTheTurnOfTheYear) {
    test::FixedClock clock;
    clock.set(2027, 1, 1, 6, 0);
    EXPECT_EQ(findMissedRuns(ticked({2}), {run("2026-12-31 22:00:00", "2026-12-31 22:03:00")}, clock.now()).hours,
              std::vector<int>{2});
}

TEST(MissedRuns, Lines) {
    EXPECT_EQ(missedRunsLine({3, 9}), "Missed scheduled backups today at 03:00, 09:00");
    EXPECT_EQ(missedRunsLine({0}), "Missed scheduled backups today at 00:00");
    EXPECT_EQ(caughtUpLine({3, 9}), "Caught up on the missed backups of 03:00, 09:00 with one backup");
}

TEST(JournalTime, OnlyTheJournalsOwnFormParses) {
    const std::optional<LocalTime> time = parseJournalTime("2026-12-09 03:05:59");
    ASSERT_TRUE(time);
    EXPECT_EQ((std::array{time->year, time->month, time->day, time->hour, time->minute, time->second}),
              (std::array{2026, 12, 9, 3, 5, 59}));
    for (const char* text :
         {"", "2026-12-09 03:05", "2026-12-09 03:05:59 ", " 2026-12-09 03:05:5", "2026-12-09T03:05:59",
          "+026-12-09 03:05:59", "2026-1a-09 03:05:59", "2026-00-09 03:05:59", "2026-12-32 03:05:59",
          "2026-12-09 24:00:00", "2026-12-09 03:60:00", "2026-12-09 03:05:-1"})
        EXPECT_FALSE(parseJournalTime(text)) << text;
}

TEST(JournalTime, LocalSecondsRunOnAcrossMonthsAndYears) {
    const auto seconds = [](const char* text) { return localSeconds(*parseJournalTime(text)); };
    EXPECT_EQ(seconds("2027-01-01 00:00:00") - seconds("2026-12-31 23:59:59"), 1);
    EXPECT_EQ(seconds("2028-03-01 00:00:00") - seconds("2028-02-28 00:00:00"), 2 * 86400);
    EXPECT_EQ(seconds("1970-01-01 00:00:10"), 10);
}

} // namespace
} // namespace tervolen
