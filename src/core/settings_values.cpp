#include "core/settings_values.h"

#include "core/schedule.h"
#include "core/settings_table.h"

namespace tervolen {

BackupFileSettings ReadBackupFileSettings(const std::string& settingsPath) {
    return ReadSettings(settingsPath, [](const SettingsFile& file) {
        return BackupFileSettings{ReadSettingText(file, SettingId::DatabasePath),
                                  ReadSettingText(file, SettingId::BackupFolder),
                                  ReadSettingMark(file, SettingId::Verbose)};
    });
}

RestoreFileSettings ReadRestoreFileSettings(const std::string& settingsPath) {
    return ReadSettings(settingsPath, [](const SettingsFile& file) {
        return RestoreFileSettings{ReadSettingMark(file, SettingId::Verbose)};
    });
}

ScheduleFileSettings ReadScheduleSettings(const SettingsFile& settings, int dayOfWeek) {
    ScheduleFileSettings schedule;
    try {
        schedule.dayTicked = ReadSettingItem(settings, SettingId::Weekdays, WeekdayName(dayOfWeek));
    } catch (const std::exception&) {
        schedule.dayTicked = false;
    }
    if (schedule.dayTicked)
        for (int hour = 0; hour < 24; ++hour)
            schedule.hours[hour] = ReadSettingItem(settings, SettingId::Hours, HourKey(hour));
    return schedule;
}

} // namespace tervolen
