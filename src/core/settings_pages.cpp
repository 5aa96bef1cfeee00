#include "core/settings_pages.h"

#include "core/errors.h"
#include "core/mirror_list_file.h"
#include "core/schedule.h"
#include "core/settings_file.h"

#include <filesystem>

namespace tervolen {

namespace {

const char* Mark(bool set) { return set ? "Checked" : ""; }

void WriteItemFlags(SettingsFile& settings, const FormState& form, const char* section, const char* list) {
    for (int i = 0; i < form.itemCount(list); ++i)
        settings.WriteFlag(section, form.itemText(list, i), form.itemChecked(list, i));
}

struct RequiredField {
    const char* control;
    const char* section;
    const char* key;
    const char* message;
};

constexpr RequiredField kRequiredFields[] = {
    {"CB_ChooseSGDBVer", "SGDBVER", "Version", "Set SGDBR Version"},
    {"CB_Protocol", "PROTOCOL", "Type", "Set Protocol"},
    {"EdServerName", "SERVERNAME", "Name", "Set Server Name"},
    {"ClientLibFilenameEdit", "CLIENTLIB", "ClientLib", "Set database client library"},
    {"EdUserName", "USERNAME", "UserName", "Set database username"},
    {"EdPswd", "PASSWORD", "Pswd", "Set database Password"},
    {"CB_BkpExt", "BKPEXT", "Ext", "Set Backup Extension"},
};

// Writes the required fields in order; returns the first empty one, or nullptr.
const RequiredField* WriteRequiredFields(SettingsFile& settings, const FormState& form) {
    for (const auto& field : kRequiredFields) {
        std::string value = form.text(field.control);
        if (value.empty())
            return &field;
        settings.WriteText(field.section, field.key, value);
    }
    return nullptr;
}

// Creates one folder level when the folder is missing; the error's text is the folder itself.
void EnsureFolder(const std::string& folder) {
    std::error_code ec;
    if (std::filesystem::is_directory(folder, ec))
        return;
    if (!std::filesystem::create_directory(folder, ec) || ec)
        throw Error(folder);
}

struct Field {
    const char* control;
    const char* key;
};

void WriteFields(SettingsFile& settings, const FormState& form, const char* section,
                 std::initializer_list<Field> fields) {
    for (const auto& field : fields)
        settings.WriteText(section, field.key, form.text(field.control));
}

// Returns false when a required field was empty: its message was shown and the save stops there.
bool WriteScheduleSettings(SettingsFile& settings, FormState& form, Dialogs& dialogs, const AppPaths& paths) {
    settings.WriteText("DIRECTORYS", "Base", form.text("eBase"));
    settings.WriteText("DIRECTORYS", "BackUpDir", form.text("eDirBackup"));
    settings.WriteText("VERBOSEMODE", "Verbose", Mark(form.checked("CheckVerbose")));
    settings.WriteText("BACKUPRESTOREMODE", "Checked", Mark(form.checked("CheckBackupLog")));
    settings.WriteText("CHECKBACKUPLOG", "AutoSave", Mark(form.checked("CheckBackupLog")));
    for (int day = 1; day <= 7; ++day)
        settings.WriteFlag("DAYS", WeekdayName(day), form.itemChecked("clbSemana", day - 1));
    WriteItemFlags(settings, form, "HOURS", "clbHorarios");

    if (const RequiredField* empty = WriteRequiredFields(settings, form)) {
        dialogs.message(empty->message);
        form.setFocus(empty->control);
        return false;
    }

    std::string restoreFolder = paths.join("DefaultRestores");
    EnsureFolder(restoreFolder);
    if (form.text("EditRestore").empty())
        form.setText("EditRestore", restoreFolder);
    settings.WriteText("DEFAULTRESTOREDIR", "DIR", form.text("EditRestore"));

    // An unticked box and an emptied field clear what was stored, so they do not come back at the next start.
    settings.WriteText("SENDBACKUPFTP", "Send", Mark(form.checked("ChkBoxSentFTP")));
    WriteFields(settings, form, "FTP",
                {{"LedFTPAdress", "Host"}, {"LedUserName", "User"}, {"LedPassword", "Pswd"}, {"LedFTPPort", "Port"}});
    settings.WriteText("SENDBACKUPMAIL", "Send", Mark(form.checked("ChkBoxBkpMail")));
    WriteFields(settings, form, "SMTP",
                {{"ledHost", "Host"},
                 {"EdSMTPPort", "Port"},
                 {"ledFrom", "From"},
                 {"ledTo", "To"},
                 {"ledCC", "cc"},
                 {"EdSMTPUser", "User"},
                 {"EdSMTPpswd", "Pswd"}});
    return true;
}

std::vector<std::string> MirrorCaptions(const FormState& form) {
    std::vector<std::string> captions;
    for (int i = 0; i < form.itemCount("MirrorListView"); ++i)
        captions.push_back(form.itemText("MirrorListView", i));
    return captions;
}

} // namespace

void TranspButOkScheduleClick(FormState& form, Dialogs& dialogs, const AppPaths& paths) {
    bool complete = WithSettings(paths.settingsFile, [&](SettingsFile& settings) {
        return WriteScheduleSettings(settings, form, dialogs, paths);
    });
    if (!complete)
        return;
    EnsureFolder(paths.join("DefaultLogs") + kPathDelim);
    EnsureFolder(paths.join("DefaultBackups"));
    SaveMirrorList(paths.join("Mirrors.lst"), MirrorCaptions(form));
    form.minimize();
}

void TranspButOKConfigClick(FormState& form, const AppPaths& paths) {
    WithSettings(paths.settingsFile, [&](SettingsFile& settings) {
        WriteItemFlags(settings, form, "LISTABACKUP", "clListaBackup");
        WriteItemFlags(settings, form, "LISTARESTORE", "clListaRestore");
        settings.WriteFlag("COMPRESSION", "Checked", form.checked("ChkBoxCompress"));
        int method = form.itemIndex("CBCompMetho");
        if (method >= 0)
            settings.WriteText("COMPRESSION", "Method", method == 1 ? "1" : "0");
    });
}

} // namespace tervolen
