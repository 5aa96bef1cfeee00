#pragma once

#include "core/clock.h"
#include "core/form_state.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace tervolen {

// One hour of today's schedule.
struct ScheduleSlot {
    double hour = 0;
    bool done = false;
    bool enabled = false;
};

// The weekday-and-hour schedule: which whole hours of today start a backup.
//
// A tick re-reads the settings file only when the file or the day changed since the last reading, clears
// the done flags when the date changes, and tries a slot whose job failed again at most once a minute
// within its hour.
class Schedule {
public:
    // Runs one scheduled backup; returns whether the slot is served.
    using Job = std::function<bool()>;

    Schedule(FormState& form, const Clock& clock, std::string settingsPath);

    // Re-reads today's schedule from the settings file and shows or hides LbInfo; on a new day it first
    // clears the done flags and failed tries, whether a tick or a manual start calls it. Throws the settings
    // file's errors.
    void loadTodaySchedule();

    // One timer tick: reloads when needed, then runs job (when there is one) for the first due slot, with
    // the timer disabled while it runs. Throws the settings file's errors; the timer stays enabled.
    void scheduleTick(const Job& job);

    bool timerEnabled() const { return timerEnabled_; }
    void setTimerEnabled(bool enabled) { timerEnabled_ = enabled; }
    const std::array<ScheduleSlot, 24>& slots() const { return slots_; }

    static constexpr int kRetryPauseSeconds = 60;

private:
    struct FileStamp {
        bool exists = false;
        std::uintmax_t size = 0;
        std::int64_t modified = 0;
        bool operator==(const FileStamp&) const = default;
    };
    struct Day {
        int year = 0, month = 0, day = 0;
        bool operator==(const Day&) const = default;
    };

    FileStamp stampOfSettings() const;
    bool reloadNeeded(const Day& today) const;
    int dueSlot(const LocalTime& now) const;
    static std::int64_t secondsOfDay(const LocalTime& time);

    FormState& form_;
    const Clock& clock_;
    std::string settingsPath_;
    std::array<ScheduleSlot, 24> slots_{};
    std::array<std::optional<std::int64_t>, 24> lastFailure_{}; // second of the day of a failed run
    bool timerEnabled_ = true;
    std::optional<FileStamp> loadedStamp_;
    Day loadedDay_;
};

// The DAYS key of a day of the week numbered 1 (Sunday) to 7 (Saturday).
std::string weekdayName(int dayOfWeek);
// The HOURS key of an hour: "00:00" ... "23:00".
std::string hourKey(int hour);

} // namespace tervolen
