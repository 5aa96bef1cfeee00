#include "core/schedule.h"

#include "core/control_names.h"
#include "core/settings_file.h"
#include "core/settings_values.h"

#include <chrono>
#include <cstdio>
#include <filesystem>

namespace tervolen {

namespace {

constexpr const char* kNoBackupToday = controls::LbInfo;

} // namespace

std::string weekdayName(int dayOfWeek) {
    static constexpr const char* names[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                            "Thursday", "Friday", "Saturday"};
    return dayOfWeek >= 1 && dayOfWeek <= 7 ? names[dayOfWeek - 1] : "";
}

std::string hourKey(int hour) {
    char key[8];
    std::snprintf(key, sizeof key, "%02d:00", hour);
    return key;
}

Schedule::Schedule(FormState& form, const Clock& clock, std::string settingsPath)
    : form_(form), clock_(clock), settingsPath_(std::move(settingsPath)) {}

void Schedule::loadTodaySchedule() {
    LocalTime now = clock_.now();
    // Cleared here rather than at a tick, so that a manual start as the day's first event cannot keep them.
    if (Day{now.year, now.month, now.day} != loadedDay_) {
        for (auto& slot : slots_)
            slot.done = false;
        lastFailure_.fill(std::nullopt);
    }
    withSettings(settingsPath_, [&](SettingsFile& settings) {
        const ScheduleFileSettings today = readScheduleSettings(settings, now.dayOfWeek);
        if (today.dayTicked) {
            for (int i = 0; i < 24; ++i) {
                slots_[i].hour = i;
                slots_[i].enabled = today.hours[i];
            }
            timerEnabled_ = true;
            form_.setVisible(kNoBackupToday, false);
        } else {
            for (auto& slot : slots_)
                slot.enabled = false;
            form_.setLabelStyle(kNoBackupToday, kRed, true);
            form_.setVisible(kNoBackupToday, true);
        }
    });
    // Taken after the access, so that a write-back that normalised the file does not count as a change.
    loadedStamp_ = stampOfSettings();
    loadedDay_ = {now.year, now.month, now.day};
}

void Schedule::scheduleTick(const Job& job) {
    LocalTime now = clock_.now();
    if (reloadNeeded(Day{now.year, now.month, now.day}))
        loadTodaySchedule();
    int due = job ? dueSlot(now) : -1;
    if (due < 0)
        return;
    timerEnabled_ = false;
    bool served = false;
    try {
        served = job();
    } catch (...) {
        timerEnabled_ = true;
        lastFailure_[due] = secondsOfDay(now);
        throw;
    }
    slots_[due].done = served;
    lastFailure_[due] = served ? std::nullopt : std::optional<std::int64_t>(secondsOfDay(now));
    timerEnabled_ = true;
}

int Schedule::dueSlot(const LocalTime& now) const {
    for (int i = 0; i < 24; ++i) {
        const ScheduleSlot& slot = slots_[i];
        if (!slot.enabled || slot.done || static_cast<int>(slot.hour) != now.hour)
            continue;
        if (lastFailure_[i] && secondsOfDay(now) - *lastFailure_[i] < kRetryPauseSeconds)
            return -1;
        return i;
    }
    return -1;
}

bool Schedule::reloadNeeded(const Day& today) const {
    return !loadedStamp_ || today != loadedDay_ || stampOfSettings() != *loadedStamp_;
}

Schedule::FileStamp Schedule::stampOfSettings() const {
    std::error_code ec;
    auto status = std::filesystem::status(settingsPath_, ec);
    if (ec || !std::filesystem::exists(status))
        return {};
    FileStamp stamp{true, std::filesystem::file_size(settingsPath_, ec), 0};
    auto modified = std::filesystem::last_write_time(settingsPath_, ec);
    stamp.modified = std::chrono::duration_cast<std::chrono::nanoseconds>(modified.time_since_epoch()).count();
    return stamp;
}

std::int64_t Schedule::secondsOfDay(const LocalTime& time) {
    return time.hour * 3600 + time.minute * 60 + time.second;
}

} // namespace tervolen
