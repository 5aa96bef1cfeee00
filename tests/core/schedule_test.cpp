#include "core/headless_form.h"
#include "core/schedule.h"
#include "fixed_clock.h"
#include "temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace tervolen {
namespace {

// Monday 2026-12-07 ... Sunday 2026-12-13.
constexpr int kYear = 2026, kMonth = 12, kMonday = 7;

class ScheduleTest : public ::testing::Test {
protected:
    void SetUp() override {
        writeSchedule("[DAYS]\r\nMonday=1\r\n\r\n[HOURS]\r\n02:00=1\r\n\r\n");
        clock.set(kYear, kMonth, kMonday, 1, 0);
    }

    void writeSchedule(const std::string& text) { test::writeFile(settingsPath, text); }

    // Ticks at the given time; returns how many jobs ran.
    int tickAt(int day, int hour, int minute, int second = 0, bool result = true) {
        clock.set(kYear, kMonth, day, hour, minute, second);
        int runs = 0;
        schedule.scheduleTick([&] {
            ++runs;
            EXPECT_FALSE(schedule.timerEnabled()) << "the timer is off while the job runs";
            return result;
        });
        EXPECT_TRUE(schedule.timerEnabled());
        return runs;
    }

    test::TempDir dir;
    std::string settingsPath = dir.file("tervolen.ini");
    HeadlessForm form;
    test::FixedClock clock;
    Schedule schedule{form, clock, settingsPath};
};

TEST_F(ScheduleTest, ServesATickedHourOncePerDay) {
    EXPECT_EQ(tickAt(kMonday, 1, 59), 0);
    EXPECT_EQ(tickAt(kMonday, 2, 0), 1);
    EXPECT_EQ(tickAt(kMonday, 2, 1), 0);
    EXPECT_EQ(tickAt(kMonday, 2, 59), 0);
    EXPECT_EQ(tickAt(kMonday, 3, 0), 0);
    EXPECT_EQ(tickAt(kMonday + 1, 2, 0), 0) << "Tuesday is not ticked";
    // A program left running serves the next Monday too: done flags are cleared when the date changes.
    EXPECT_EQ(tickAt(kMonday + 7, 2, 0), 1);
}

TEST_F(ScheduleTest, AStartInsideTheHourRunsAtOnceAndAfterItNot) {
    EXPECT_EQ(tickAt(kMonday, 2, 30), 1);
    Schedule late(form, clock, settingsPath);
    clock.set(kYear, kMonth, kMonday, 3, 0);
    int runs = 0;
    late.scheduleTick([&] { return ++runs > 0; });
    EXPECT_EQ(runs, 0);
}

// A manual start reloads today's schedule; when it is the first event of a new day, yesterday's done flags
// must be cleared all the same, whether the reload or a tick sees the new day first.
TEST_F(ScheduleTest, ANewDaysFirstEventClearsYesterdaysDoneFlagsWhateverItIs) {
    writeSchedule("[DAYS]\r\nMonday=1\r\nTuesday=1\r\n\r\n[HOURS]\r\n02:00=1\r\n\r\n");
    struct Case {
        const char* firstEvent;
        bool manualStart;
    };
    for (const Case& c : {Case{"tick", false}, Case{"manual start", true}}) {
        Schedule fresh(form, clock, settingsPath);
        clock.set(kYear, kMonth, kMonday, 2, 0);
        int runs = 0;
        fresh.scheduleTick([&] { return ++runs > 0; });
        ASSERT_EQ(runs, 1) << c.firstEvent;
        clock.set(kYear, kMonth, kMonday + 1, 0, 30);
        if (c.manualStart)
            fresh.loadTodaySchedule();
        else
            fresh.scheduleTick([&] { return ++runs > 0; });
        clock.set(kYear, kMonth, kMonday + 1, 2, 0);
        fresh.scheduleTick([&] { return ++runs > 0; });
        EXPECT_EQ(runs, 2) << "Tuesday's 02:00 after a " << c.firstEvent << " at 00:30";
    }
}

TEST_F(ScheduleTest, AnUntickedWeekdayShowsTheLabelAndRunsNothing) {
    writeSchedule("[DAYS]\r\nTuesday=1\r\n\r\n[HOURS]\r\n02:00=1\r\n\r\n");
    EXPECT_EQ(tickAt(kMonday, 2, 0), 0);
    EXPECT_TRUE(form.visible("LbInfo"));
    EXPECT_EQ(form.labelColor("LbInfo"), kRed);
    EXPECT_TRUE(form.labelBold("LbInfo"));
    EXPECT_EQ(tickAt(kMonday + 1, 2, 0), 1);
    EXPECT_FALSE(form.visible("LbInfo"));
}

TEST_F(ScheduleTest, AFailedJobIsRetriedAtMostOnceAMinuteWithinItsHour) {
    EXPECT_EQ(tickAt(kMonday, 2, 0, 0, false), 1);
    EXPECT_EQ(tickAt(kMonday, 2, 0, 30, false), 0);
    EXPECT_EQ(tickAt(kMonday, 2, 1, 0, false), 1);
    EXPECT_EQ(tickAt(kMonday, 2, 2, 0, true), 1);
    EXPECT_EQ(tickAt(kMonday, 2, 3, 0, true), 0);
    EXPECT_TRUE(schedule.slots()[2].done);
}

TEST_F(ScheduleTest, AJobThatThrowsLeavesTheTimerRunningAndIsRetriedLater) {
    clock.set(kYear, kMonth, kMonday, 2, 0);
    EXPECT_THROW(schedule.scheduleTick([]() -> bool { throw std::runtime_error("boom"); }), std::runtime_error);
    EXPECT_TRUE(schedule.timerEnabled());
    EXPECT_FALSE(schedule.slots()[2].done);
    EXPECT_EQ(tickAt(kMonday, 2, 0, 30), 0);
    EXPECT_EQ(tickAt(kMonday, 2, 1, 0), 1);
}

TEST_F(ScheduleTest, ASavedChangeTakesEffectAtTheNextTick) {
    EXPECT_EQ(tickAt(kMonday, 4, 0), 0);
    writeSchedule("[DAYS]\r\nMonday=1\r\n\r\n[HOURS]\r\n02:00=1\r\n04:00=1\r\n\r\n");
    EXPECT_EQ(tickAt(kMonday, 4, 0, 1), 1);
}

TEST_F(ScheduleTest, ReReadsTheFileOnlyWhenItChanged) {
    EXPECT_EQ(tickAt(kMonday, 1, 0), 0);
    // Same size and time stamp, other content: not read again, so hour 3 stays unticked.
    auto stamp = std::filesystem::last_write_time(settingsPath);
    writeSchedule("[DAYS]\r\nMonday=1\r\n\r\n[HOURS]\r\n03:00=1\r\n\r\n");
    std::filesystem::last_write_time(settingsPath, stamp);
    EXPECT_EQ(tickAt(kMonday, 3, 0), 0);
    EXPECT_FALSE(schedule.slots()[3].enabled);
    EXPECT_TRUE(schedule.slots()[2].enabled);
}

TEST(ScheduleKeys, WeekdayNamesAndHourKeys) {
    EXPECT_EQ(weekdayName(1), "Sunday");
    EXPECT_EQ(weekdayName(7), "Saturday");
    EXPECT_EQ(hourKey(0), "00:00");
    EXPECT_EQ(hourKey(23), "23:00");
}

} // namespace
} // namespace tervolen
