#pragma once

#include "core/settings_file.h"

#include <array>
#include <span>
#include <string>

namespace tervolen {

// Every key of the settings file, in the order of the table (the order start-up loads them in).
enum class SettingId {
    DatabasePath,
    BackupFolder,
    Verbose,
    BackupLog,
    BackupLogAutoSave,
    Weekdays,
    Hours,
    BackupOptions,
    RestoreOptions,
    ServerVersion,
    Protocol,
    ServerName,
    ClientLibrary,
    UserName,
    Password,
    BackupExtension,
    Compress,
    RestoreFolder,
    Language,
    SendByFtp,
    FtpHost,
    FtpUser,
    FtpPassword,
    FtpPort,
    SendByMail,
    SmtpHost,
    SmtpPort,
    SmtpFrom,
    SmtpTo,
    SmtpCc,
    SmtpUser,
    SmtpPassword,
    CompressionMethod,
    FtpSecurity,
    FtpPassive,
    FtpFolder,
    FtpCaFile,
    SmtpSecurity,
    SmtpCaFile,
    KeepLast,
    KeepDaily,
    KeepWeekly,
    KeepMonthly,
    KeepYearly,
    CompressionThreads,
    EncryptionEnabled,
    EncryptionPassword,
    WindowWidth,
    WindowHeight,
    VerifyRestore,
    VerifyFolder,
    MailOnFailure,
    MailOnSuccess,
    AlertCommand,
    Autostart,
    AskBeforeQuit,
    CatchUp,
};

// How a value is stored.
enum class Encoding {
    Text,      // the text as it is
    Mark,      // "Checked" when ticked, empty when not
    Flag,      // "1" or "0"; read as an integer ("0x" hexadecimal or decimal), true when not 0
    ItemFlags, // one Flag per item of a check list, under the keys of ItemKeys
    ItemIndex, // "1" for the second item of a combo box, "0" for the first; read as 1 only for exactly "1"
    ItemValue, // the row's itemValues entry of the selected item; read ignoring letter case, missing or empty as
               // the first item, another value as no item selected
};

// Where the keys of an ItemFlags entry come from.
enum class ItemKeys {
    ItemTexts, // the items' texts
    Weekdays,  // "Sunday" ... "Saturday" for items 0 to 6, whatever the items' texts
    // The row's englishItemTexts, whatever language the items show; an item past them is keyed by its text.
    EnglishItemTexts,
};

// What start-up does with the stored value.
enum class Load {
    Never,
    Set,            // always sets the control (Mark: ticks it only when the value is not empty)
    SetWhenStored,  // a missing or empty value leaves the control as it is
    SetUnlessZero,  // a value that reads as the integer 0 leaves the control as it is
    ChooseLanguage, // applies the language whose caption the value is, unless it reads as the integer 0
};

// The action that writes the key.
enum class SavedBy { Nobody, SaveSchedule, SaveConfig, LanguageChoice, WindowResize };

// The condition under which the action writes the key.
enum class SaveRule {
    Always,
    Required,      // an empty control stops the save before this key, with requiredMessage and the focus on it
    FillWhenEmpty, // the save first makes the default folder and puts it in an empty control
    WhenSelected,  // ItemIndex: written only when an item is selected
    // Written when the file holds the key or the value is not the default, so that files from before the key
    // stay as they are; ItemValue: only when an item is selected.
    WhenStoredOrChanged,
};

struct SettingRow {
    SettingId id;
    const char* section; // as written; lookups trim it and ignore letter case
    const char* key;     // as written; lookups ignore letter case, so "BackupDir" reads "BackUpDir"
    Encoding encoding;
    const char* control; // its control's object name; nullptr where the action names the control
    Load load;
    SavedBy savedBy;
    SaveRule saveRule = SaveRule::Always;
    const char* defaultText = ""; // Text and Mark: the value when the key is missing
    bool defaultFlag = false;     // Flag: the value when the key is missing or no integer
    ItemKeys itemKeys = ItemKeys::ItemTexts;
    const char* requiredMessage = nullptr;
    std::array<const char*, 2> enables{}; // controls enabled exactly when the loaded Flag is true
    std::array<const char*, 3> itemValues{}; // ItemValue: the stored value of each item
    std::array<const char*, 7> englishItemTexts{}; // EnglishItemTexts: the key of each item
};

// The whole table, in load order; each action writes its keys in this order.
std::span<const SettingRow> settingsTable();
const SettingRow& setting(SettingId id);

// Reads through a row, with the row's default.
std::string readSettingText(const SettingsFile& settings, SettingId id);
bool readSettingMark(const SettingsFile& settings, SettingId id);
bool readSettingFlag(const SettingsFile& settings, SettingId id);
// One item of an ItemFlags entry, false when missing.
bool readSettingItem(const SettingsFile& settings, SettingId id, const std::string& itemKey);
// Whether the file holds the key at all.
bool isSettingStored(const SettingsFile& settings, SettingId id);
// The item of an ItemValue row that value names, ignoring letter case; missing or empty is the first, another
// value -1.
int settingItemOfValue(const SettingRow& row, const std::string& value);

// Writes through a row, under the row's section and key spelling. Throws what SettingsFile::WriteText throws.
void writeSettingText(SettingsFile& settings, SettingId id, const std::string& value);
void writeSettingMark(SettingsFile& settings, SettingId id, bool ticked);
void writeSettingFlag(SettingsFile& settings, SettingId id, bool value);
void writeSettingItem(SettingsFile& settings, SettingId id, const std::string& itemKey, bool value);

// The key of item index of an ItemFlags row whose item has the text itemText.
std::string itemKey(const SettingRow& row, int index, const std::string& itemText);

} // namespace tervolen
