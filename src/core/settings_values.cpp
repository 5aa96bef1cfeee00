#include "core/settings_values.h"

#include "core/schedule.h"
#include "core/settings_table.h"

namespace tervolen {

BackupFileSettings readBackupFileSettings(const std::string& settingsPath) {
    return readSettings(settingsPath, [](const SettingsFile& file) {
        return BackupFileSettings{readSettingText(file, SettingId::DatabasePath),
                                  readSettingText(file, SettingId::BackupFolder),
                                  readSettingMark(file, SettingId::Verbose)};
    });
}

RestoreFileSettings readRestoreFileSettings(const std::string& settingsPath) {
    return readSettings(settingsPath, [](const SettingsFile& file) {
        return RestoreFileSettings{readSettingMark(file, SettingId::Verbose)};
    });
}

ScheduleFileSettings readScheduleSettings(const SettingsFile& settings, int dayOfWeek) {
    ScheduleFileSettings schedule;
    try {
        schedule.dayTicked = readSettingItem(settings, SettingId::Weekdays, weekdayName(dayOfWeek));
    } catch (const std::exception&) {
        schedule.dayTicked = false;
    }
    if (schedule.dayTicked)
        for (int hour = 0; hour < 24; ++hour)
            schedule.hours[hour] = readSettingItem(settings, SettingId::Hours, hourKey(hour));
    return schedule;
}

} // namespace tervolen
