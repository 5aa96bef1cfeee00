#pragma once

#include "core/settings_file.h"

#include <array>
#include <string>

namespace tervolen {

// What the backup job reads from the settings file.
struct BackupFileSettings {
    std::string databasePath;
    std::string backupFolder;
    bool verbose = false;
};

// What the restore job reads from the settings file.
struct RestoreFileSettings {
    bool verbose = false;
};

// Today's part of the schedule.
struct ScheduleFileSettings {
    bool dayTicked = false;
    std::array<bool, 24> hours{}; // all false when the day is not ticked
};

// Read-only accesses: nothing is written back. Throw what SettingsFile::OpenSettings throws.
BackupFileSettings readBackupFileSettings(const std::string& settingsPath);
RestoreFileSettings readRestoreFileSettings(const std::string& settingsPath);

// The schedule of the day of the week dayOfWeek (1 Sunday ... 7 Saturday).
ScheduleFileSettings readScheduleSettings(const SettingsFile& settings, int dayOfWeek);

} // namespace tervolen
