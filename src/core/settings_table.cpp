#include "core/settings_table.h"

#include "core/control_names.h"
#include "core/schedule.h"
#include "core/text_conversion.h"

namespace tervolen {

namespace {

using E = Encoding;
using L = Load;
using S = SavedBy;
using R = SaveRule;
using Id = SettingId;

constexpr SettingRow kRows[] = {
    {.id = Id::DatabasePath,
     .section = "DIRECTORYS",
     .key = "Base",
     .encoding = E::Text,
     .control = controls::eBase,
     .load = L::Set,
     .savedBy = S::SaveSchedule},
    {.id = Id::BackupFolder,
     .section = "DIRECTORYS",
     .key = "BackUpDir",
     .encoding = E::Text,
     .control = controls::eDirBackup,
     .load = L::Set,
     .savedBy = S::SaveSchedule},
    {.id = Id::Verbose,
     .section = "VERBOSEMODE",
     .key = "Verbose",
     .encoding = E::Mark,
     .control = controls::CheckVerbose,
     .load = L::Set,
     .savedBy = S::SaveSchedule},
    {.id = Id::BackupLog,
     .section = "BACKUPRESTOREMODE",
     .key = "Checked",
     .encoding = E::Mark,
     .control = controls::CheckBackupLog,
     .load = L::Set,
     .savedBy = S::SaveSchedule},
    // Written beside BACKUPRESTOREMODE from the same box, never read.
    {.id = Id::BackupLogAutoSave,
     .section = "CHECKBACKUPLOG",
     .key = "AutoSave",
     .encoding = E::Mark,
     .control = controls::CheckBackupLog,
     .load = L::Never,
     .savedBy = S::SaveSchedule},
    {.id = Id::Weekdays,
     .section = "DAYS",
     .key = "",
     .encoding = E::ItemFlags,
     .control = controls::clbSemana,
     .load = L::Set,
     .savedBy = S::SaveSchedule,
     .itemKeys = ItemKeys::Weekdays},
    {.id = Id::Hours,
     .section = "HOURS",
     .key = "",
     .encoding = E::ItemFlags,
     .control = controls::clbHorarios,
     .load = L::Set,
     .savedBy = S::SaveSchedule},
    {.id = Id::BackupOptions,
     .section = "LISTABACKUP",
     .key = "",
     .encoding = E::ItemFlags,
     .control = controls::clListaBackup,
     .load = L::Set,
     .savedBy = S::SaveConfig,
     .itemKeys = ItemKeys::EnglishItemTexts,
     .englishItemTexts = {"Ignore Check Sums", "Ignore Limbo", "Creates Metadata Only", "No Perform Garbage Collection",
                          "Old Meta Data Desc", "Non Transportable Backup",
                          "Convert External Tables Into Internal Tables"}},
    {.id = Id::RestoreOptions,
     .section = "LISTARESTORE",
     .key = "",
     .encoding = E::ItemFlags,
     .control = controls::clListaRestore,
     .load = L::Set,
     .savedBy = S::SaveConfig,
     .itemKeys = ItemKeys::EnglishItemTexts,
     .englishItemTexts = {"DeactivateIndexes", "NoShadowFiles", "NoValidityCheck", "OneRelationAtATime", "Replace",
                          "CreateNewDB", "UseAllSpace"}},
    {.id = Id::ServerVersion,
     .section = "SGDBVER",
     .key = "Version",
     .encoding = E::Text,
     .control = controls::CB_ChooseSGDBVer,
     .load = L::SetWhenStored,
     .savedBy = S::SaveSchedule,
     .saveRule = R::Required,
     .requiredMessage = "Set SGDBR Version"},
    {.id = Id::Protocol,
     .section = "PROTOCOL",
     .key = "Type",
     .encoding = E::Text,
     .control = controls::CB_Protocol,
     .load = L::SetWhenStored,
     .savedBy = S::SaveSchedule,
     .saveRule = R::Required,
     .requiredMessage = "Set Protocol"},
    {.id = Id::ServerName,
     .section = "SERVERNAME",
     .key = "Name",
     .encoding = E::Text,
     .control = controls::EdServerName,
     .load = L::SetWhenStored,
     .savedBy = S::SaveSchedule,
     .saveRule = R::Required,
     .requiredMessage = "Set Server Name"},
    {.id = Id::ClientLibrary,
     .section = "CLIENTLIB",
     .key = "ClientLib",
     .encoding = E::Text,
     .control = controls::ClientLibFilenameEdit,
     .load = L::SetWhenStored,
     .savedBy = S::SaveSchedule,
     .saveRule = R::Required,
     .requiredMessage = "Set database client library"},
    {.id = Id::UserName,
     .section = "USERNAME",
     .key = "UserName",
     .encoding = E::Text,
     .control = controls::EdUserName,
     .load = L::SetWhenStored,
     .savedBy = S::SaveSchedule,
     .saveRule = R::Required,
     .requiredMessage = "Set database username"},
    {.id = Id::Password,
     .section = "PASSWORD",
     .key = "Pswd",
     .encoding = E::Text,
     .control = controls::EdPswd,
     .load = L::SetWhenStored,
     .savedBy = S::SaveSchedule,
     .saveRule = R::Required,
     .requiredMessage = "Set database Password"},
    {.id = Id::BackupExtension,
     .section = "BKPEXT",
     .key = "Ext",
     .encoding = E::Text,
     .control = controls::CB_BkpExt,
     .load = L::SetWhenStored,
     .savedBy = S::SaveSchedule,
     .saveRule = R::Required,
     .requiredMessage = "Set Backup Extension"},
    {.id = Id::Compress,
     .section = "COMPRESSION",
     .key = "Checked",
     .encoding = E::Flag,
     .control = controls::ChkBoxCompress,
     .load = L::Set,
     .savedBy = S::SaveConfig,
     .defaultFlag = true,
     .enables = {controls::CBCompMetho, controls::CBCompMethoLevel}},
    {.id = Id::RestoreFolder,
     .section = "DEFAULTRESTOREDIR",
     .key = "DIR",
     .encoding = E::Text,
     .control = controls::EditRestore,
     .load = L::SetUnlessZero,
     .savedBy = S::SaveSchedule,
     .saveRule = R::FillWhenEmpty},
    // The caption of the chosen language's label.
    {.id = Id::Language,
     .section = "LANG",
     .key = "SetLang",
     .encoding = E::Text,
     .control = nullptr,
     .load = L::ChooseLanguage,
     .savedBy = S::LanguageChoice},
    {.id = Id::SendByFtp,
     .section = "SENDBACKUPFTP",
     .key = "Send",
     .encoding = E::Mark,
     .control = controls::ChkBoxSentFTP,
     .load = L::Set,
     .savedBy = S::SaveSchedule},
    {.id = Id::FtpHost,
     .section = "FTP",
     .key = "Host",
     .encoding = E::Text,
     .control = controls::LedFTPAdress,
     .load = L::SetWhenStored,
     .savedBy = S::SaveSchedule},
    {.id = Id::FtpUser,
     .section = "FTP",
     .key = "User",
     .encoding = E::Text,
     .control = controls::LedUserName,
     .load = L::SetWhenStored,
     .savedBy = S::SaveSchedule},
    {.id = Id::FtpPassword,
     .section = "FTP",
     .key = "Pswd",
     .encoding = E::Text,
     .control = controls::LedPassword,
     .load = L::SetWhenStored,
     .savedBy = S::SaveSchedule},
    {.id = Id::FtpPort,
     .section = "FTP",
     .key = "Port",
     .encoding = E::Text,
     .control = controls::LedFTPPort,
     .load = L::SetWhenStored,
     .savedBy = S::SaveSchedule},
    {.id = Id::SendByMail,
     .section = "SENDBACKUPMAIL",
     .key = "Send",
     .encoding = E::Mark,
     .control = controls::ChkBoxBkpMail,
     .load = L::Set,
     .savedBy = S::SaveSchedule},
    {.id = Id::SmtpHost,
     .section = "SMTP",
     .key = "Host",
     .encoding = E::Text,
     .control = controls::ledHost,
     .load = L::SetWhenStored,
     .savedBy = S::SaveSchedule},
    {.id = Id::SmtpPort,
     .section = "SMTP",
     .key = "Port",
     .encoding = E::Text,
     .control = controls::EdSMTPPort,
     .load = L::SetWhenStored,
     .savedBy = S::SaveSchedule},
    {.id = Id::SmtpFrom,
     .section = "SMTP",
     .key = "From",
     .encoding = E::Text,
     .control = controls::ledFrom,
     .load = L::SetWhenStored,
     .savedBy = S::SaveSchedule},
    {.id = Id::SmtpTo,
     .section = "SMTP",
     .key = "To",
     .encoding = E::Text,
     .control = controls::ledTo,
     .load = L::SetWhenStored,
     .savedBy = S::SaveSchedule},
    // Written in lower case, replacing a stored "CC" line.
    {.id = Id::SmtpCc,
     .section = "SMTP",
     .key = "cc",
     .encoding = E::Text,
     .control = controls::ledCC,
     .load = L::SetWhenStored,
     .savedBy = S::SaveSchedule},
    {.id = Id::SmtpUser,
     .section = "SMTP",
     .key = "User",
     .encoding = E::Text,
     .control = controls::EdSMTPUser,
     .load = L::SetWhenStored,
     .savedBy = S::SaveSchedule},
    {.id = Id::SmtpPassword,
     .section = "SMTP",
     .key = "Pswd",
     .encoding = E::Text,
     .control = controls::EdSMTPpswd,
     .load = L::SetWhenStored,
     .savedBy = S::SaveSchedule},
    {.id = Id::CompressionMethod,
     .section = "COMPRESSION",
     .key = "Method",
     .encoding = E::ItemIndex,
     .control = controls::CBCompMetho,
     .load = L::Set,
     .savedBy = S::SaveConfig,
     .saveRule = R::WhenSelected},
    // The FTP keys added for encrypted and passive uploads; a file without them uploads as before.
    {.id = Id::FtpSecurity,
     .section = "FTP",
     .key = "Security",
     .encoding = E::Text,
     .control = controls::CBFTPSecurity,
     .load = L::Set,
     .savedBy = S::SaveSchedule,
     .saveRule = R::WhenStoredOrChanged,
     .defaultText = "None"},
    {.id = Id::FtpPassive,
     .section = "FTP",
     .key = "Passive",
     .encoding = E::Flag,
     .control = controls::ChkBoxFTPPassive,
     .load = L::Set,
     .savedBy = S::SaveSchedule,
     .saveRule = R::WhenStoredOrChanged},
    {.id = Id::FtpFolder,
     .section = "FTP",
     .key = "Folder",
     .encoding = E::Text,
     .control = controls::LedFTPFolder,
     .load = L::Set,
     .savedBy = S::SaveSchedule,
     .saveRule = R::WhenStoredOrChanged},
    {.id = Id::FtpCaFile,
     .section = "FTP",
     .key = "CAFile",
     .encoding = E::Text,
     .control = controls::LedFTPCAFile,
     .load = L::Set,
     .savedBy = S::SaveSchedule,
     .saveRule = R::WhenStoredOrChanged},
    {.id = Id::SmtpSecurity,
     .section = "SMTP",
     .key = "Security",
     .encoding = E::ItemValue,
     .control = controls::CBSMTPSecurity,
     .load = L::Set,
     .savedBy = S::SaveSchedule,
     .saveRule = R::WhenStoredOrChanged,
     .defaultText = "None",
     .itemValues = {"None", "STARTTLS", "TLS"}},
    {.id = Id::SmtpCaFile,
     .section = "SMTP",
     .key = "CAFile",
     .encoding = E::Text,
     .control = controls::EdSMTPCAFile,
     .load = L::SetWhenStored,
     .savedBy = S::SaveSchedule,
     .saveRule = R::WhenStoredOrChanged},
    // The retention counts; a missing key keeps every set.
    {.id = Id::KeepLast,
     .section = "RETENTION",
     .key = "KeepLast",
     .encoding = E::Text,
     .control = controls::SpinKeepLast,
     .load = L::SetWhenStored,
     .savedBy = S::SaveConfig,
     .saveRule = R::WhenStoredOrChanged,
     .defaultText = "0"},
    {.id = Id::KeepDaily,
     .section = "RETENTION",
     .key = "KeepDaily",
     .encoding = E::Text,
     .control = controls::SpinKeepDaily,
     .load = L::SetWhenStored,
     .savedBy = S::SaveConfig,
     .saveRule = R::WhenStoredOrChanged,
     .defaultText = "0"},
    {.id = Id::KeepWeekly,
     .section = "RETENTION",
     .key = "KeepWeekly",
     .encoding = E::Text,
     .control = controls::SpinKeepWeekly,
     .load = L::SetWhenStored,
     .savedBy = S::SaveConfig,
     .saveRule = R::WhenStoredOrChanged,
     .defaultText = "0"},
    {.id = Id::KeepMonthly,
     .section = "RETENTION",
     .key = "KeepMonthly",
     .encoding = E::Text,
     .control = controls::SpinKeepMonthly,
     .load = L::SetWhenStored,
     .savedBy = S::SaveConfig,
     .saveRule = R::WhenStoredOrChanged,
     .defaultText = "0"},
    {.id = Id::KeepYearly,
     .section = "RETENTION",
     .key = "KeepYearly",
     .encoding = E::Text,
     .control = controls::SpinKeepYearly,
     .load = L::SetWhenStored,
     .savedBy = S::SaveConfig,
     .saveRule = R::WhenStoredOrChanged,
     .defaultText = "0"},
    // Threads that compress: 0 is every core the program may use.
    {.id = Id::CompressionThreads,
     .section = "COMPRESSION",
     .key = "Threads",
     .encoding = E::Text,
     .control = controls::SECompThreads,
     .load = L::SetWhenStored,
     .savedBy = S::SaveConfig,
     .saveRule = R::WhenStoredOrChanged,
     .defaultText = "0"},
    // New entries are encrypted with AES-256 (WinZip AE-2) when ticked; the password is stored like the others.
    {.id = Id::EncryptionEnabled,
     .section = "ENCRYPTION",
     .key = "Enabled",
     .encoding = E::Flag,
     .control = controls::ChkBoxEncrypt,
     .load = L::Set,
     .savedBy = S::SaveConfig,
     .saveRule = R::WhenStoredOrChanged},
    {.id = Id::EncryptionPassword,
     .section = "ENCRYPTION",
     .key = "Password",
     .encoding = E::Text,
     .control = controls::EdArchivePswd,
     .load = L::SetWhenStored,
     .savedBy = S::SaveConfig,
     .saveRule = R::WhenStoredOrChanged},
    // The window's last size, written by the window itself (core/window_size.h); missing: the design size.
    {.id = Id::WindowWidth,
     .section = "WINDOW",
     .key = "Width",
     .encoding = E::Text,
     .control = nullptr,
     .load = L::Never,
     .savedBy = S::WindowResize},
    {.id = Id::WindowHeight,
     .section = "WINDOW",
     .key = "Height",
     .encoding = E::Text,
     .control = nullptr,
     .load = L::Never,
     .savedBy = S::WindowResize},
    // The test restore after each backup and the alerts after each run; missing keys leave both off.
    {.id = Id::VerifyRestore,
     .section = "VERIFY",
     .key = "Restore",
     .encoding = E::Flag,
     .control = controls::ChkBoxVerifyRestore,
     .load = L::Set,
     .savedBy = S::SaveConfig,
     .saveRule = R::WhenStoredOrChanged},
    {.id = Id::VerifyFolder,
     .section = "VERIFY",
     .key = "Folder",
     .encoding = E::Text,
     .control = controls::EdVerifyFolder,
     .load = L::Set,
     .savedBy = S::SaveConfig,
     .saveRule = R::WhenStoredOrChanged},
    {.id = Id::MailOnFailure,
     .section = "ALERT",
     .key = "MailOnFailure",
     .encoding = E::Flag,
     .control = controls::ChkBoxMailOnFailure,
     .load = L::Set,
     .savedBy = S::SaveConfig,
     .saveRule = R::WhenStoredOrChanged},
    {.id = Id::MailOnSuccess,
     .section = "ALERT",
     .key = "MailOnSuccess",
     .encoding = E::Flag,
     .control = controls::ChkBoxMailOnSuccess,
     .load = L::Set,
     .savedBy = S::SaveConfig,
     .saveRule = R::WhenStoredOrChanged},
    {.id = Id::AlertCommand,
     .section = "ALERT",
     .key = "Command",
     .encoding = E::Text,
     .control = controls::EdAlertCommand,
     .load = L::Set,
     .savedBy = S::SaveConfig,
     .saveRule = R::WhenStoredOrChanged},
    // Whether the program puts itself into the desktop session's autostart; missing: it does.
    {.id = Id::Autostart,
     .section = "STARTUP",
     .key = "Autostart",
     .encoding = E::Flag,
     .control = controls::ChkBoxAutostart,
     .load = L::Set,
     .savedBy = S::SaveConfig,
     .saveRule = R::WhenStoredOrChanged,
     .defaultFlag = true},
    // Whether closing the program with hours ticked asks first; the question's "Don't ask again" writes it.
    {.id = Id::AskBeforeQuit,
     .section = "WINDOW",
     .key = "AskBeforeQuit",
     .encoding = E::Flag,
     .control = nullptr,
     .load = L::Never,
     .savedBy = S::Nobody,
     .defaultFlag = true},
    // Whether start-up runs one backup for the hours of today that passed while the program was stopped.
    {.id = Id::CatchUp,
     .section = "SCHEDULE",
     .key = "CatchUp",
     .encoding = E::Flag,
     .control = controls::ChkBoxCatchUp,
     .load = L::Set,
     .savedBy = S::SaveSchedule,
     .saveRule = R::WhenStoredOrChanged},
};

constexpr bool rowsInIdOrder() {
    for (std::size_t i = 0; i < std::size(kRows); ++i)
        if (static_cast<std::size_t>(kRows[i].id) != i)
            return false;
    return static_cast<std::size_t>(SettingId::CatchUp) + 1 == std::size(kRows);
}
static_assert(rowsInIdOrder(), "the rows of the settings table follow the order of SettingId");

} // namespace

std::span<const SettingRow> settingsTable() {
    return kRows;
}

const SettingRow& setting(SettingId id) {
    return kRows[static_cast<std::size_t>(id)];
}

bool isSettingStored(const SettingsFile& settings, SettingId id) {
    const SettingRow& row = setting(id);
    return settings.contains(row.section, row.key);
}

int settingItemOfValue(const SettingRow& row, const std::string& value) {
    const std::string trimmed = trim(value);
    if (trimmed.empty())
        return 0;
    for (std::size_t i = 0; i < row.itemValues.size(); ++i)
        if (row.itemValues[i] != nullptr && sameText(trimmed, row.itemValues[i]))
            return static_cast<int>(i);
    return -1;
}

std::string readSettingText(const SettingsFile& settings, SettingId id) {
    const SettingRow& row = setting(id);
    return settings.readText(row.section, row.key, row.defaultText);
}

bool readSettingMark(const SettingsFile& settings, SettingId id) {
    return !readSettingText(settings, id).empty();
}

bool readSettingFlag(const SettingsFile& settings, SettingId id) {
    const SettingRow& row = setting(id);
    return settings.readFlag(row.section, row.key, row.defaultFlag);
}

bool readSettingItem(const SettingsFile& settings, SettingId id, const std::string& itemKey) {
    return settings.readFlag(setting(id).section, itemKey, false);
}

void writeSettingText(SettingsFile& settings, SettingId id, const std::string& value) {
    const SettingRow& row = setting(id);
    settings.writeText(row.section, row.key, value);
}

void writeSettingMark(SettingsFile& settings, SettingId id, bool ticked) {
    writeSettingText(settings, id, ticked ? "Checked" : "");
}

void writeSettingFlag(SettingsFile& settings, SettingId id, bool value) {
    const SettingRow& row = setting(id);
    settings.writeFlag(row.section, row.key, value);
}

void writeSettingItem(SettingsFile& settings, SettingId id, const std::string& itemKey, bool value) {
    settings.writeFlag(setting(id).section, itemKey, value);
}

std::string itemKey(const SettingRow& row, int index, const std::string& itemText) {
    switch (row.itemKeys) {
    case ItemKeys::Weekdays:
        return weekdayName(index + 1);
    case ItemKeys::EnglishItemTexts:
        if (index >= 0 && index < static_cast<int>(row.englishItemTexts.size()) &&
            row.englishItemTexts[index] != nullptr)
            return row.englishItemTexts[index];
        return itemText;
    case ItemKeys::ItemTexts:
        break;
    }
    return itemText;
}

} // namespace tervolen
