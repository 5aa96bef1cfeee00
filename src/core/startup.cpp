#include "core/startup.h"

#include "core/error_codes.h"
#include "core/language_choice.h"
#include "core/mirror_list_file.h"
#include "core/schedule.h"
#include "core/settings_file.h"
#include "core/version.h"

namespace tervolen {

namespace {

void SetTextWhenStored(FormState& form, const SettingsFile& settings, const char* section, const char* key,
                       const char* control) {
    std::string value = settings.ReadText(section, key, "");
    if (!value.empty())
        form.setText(control, value);
}

void TickItemsFromSection(FormState& form, const SettingsFile& settings, const char* section, const char* list) {
    for (int i = 0; i < form.itemCount(list); ++i)
        form.setItemChecked(list, i, settings.ReadFlag(section, form.itemText(list, i), false));
}

void LoadWeekdays(FormState& form, const SettingsFile& settings, const StartupHooks& hooks) {
    try {
        for (int day = 1; day <= 7; ++day)
            form.setItemChecked("clbSemana", day - 1, settings.ReadFlag("DAYS", WeekdayName(day), false));
    } catch (const std::exception& e) {
        if (hooks.addErrorLine)
            hooks.addErrorLine(ErrorCodeLine(ErrorCode::BackupStart, e.what()));
    }
}

void LoadLanguage(FormState& form, const SettingsFile& settings, const StartupHooks& hooks) {
    if (!settings.ReadFlag("LANG", "SetLang", true))
        return;
    const LanguageChoice* language = LanguageByCaption(settings.ReadText("LANG", "SetLang", ""));
    if (language == nullptr)
        return;
    if (hooks.applyLanguageFile)
        hooks.applyLanguageFile(language->file);
    form.setText("LbInfo", language->noBackupToday);
}

void LoadCompression(FormState& form, const SettingsFile& settings) {
    bool compress = settings.ReadFlag("COMPRESSION", "Checked", true);
    form.setChecked("ChkBoxCompress", compress);
    form.setEnabled("CBCompMetho", compress);
    form.setEnabled("CBCompMethoLevel", compress);
}

void LoadMirrorListIntoForm(FormState& form, const AppPaths& paths) {
    auto entries = LoadMirrorList(paths.join("Mirrors.lst"));
    form.clearItems("MirrorListView");
    for (const auto& entry : entries)
        form.addItem("MirrorListView", entry.caption);
}

} // namespace

std::string HeaderCaption() { return "Quillon Systems Tervolen " + ReadFileVersion(); }

void LoadSettingsIntoForm(FormState& form, const AppPaths& paths, const StartupHooks& hooks) {
    WithSettings(paths.settingsFile, [&](SettingsFile& settings) {
        form.setText("eBase", settings.ReadText("DIRECTORYS", "Base", ""));
        form.setText("eDirBackup", settings.ReadText("DIRECTORYS", "BackupDir", ""));
        if (!settings.ReadText("VERBOSEMODE", "Verbose", "").empty())
            form.setChecked("CheckVerbose", true);
        if (!settings.ReadText("BACKUPRESTOREMODE", "Checked", "").empty())
            form.setChecked("CheckBackupLog", true);
        LoadWeekdays(form, settings, hooks);
        TickItemsFromSection(form, settings, "HOURS", "clbHorarios");
        TickItemsFromSection(form, settings, "LISTABACKUP", "clListaBackup");
        TickItemsFromSection(form, settings, "LISTARESTORE", "clListaRestore");
        SetTextWhenStored(form, settings, "SGDBVER", "Version", "CB_ChooseSGDBVer");
        SetTextWhenStored(form, settings, "PROTOCOL", "Type", "CB_Protocol");
        SetTextWhenStored(form, settings, "SERVERNAME", "Name", "EdServerName");
        SetTextWhenStored(form, settings, "CLIENTLIB", "ClientLib", "ClientLibFilenameEdit");
        SetTextWhenStored(form, settings, "USERNAME", "UserName", "EdUserName");
        SetTextWhenStored(form, settings, "PASSWORD", "Pswd", "EdPswd");
        SetTextWhenStored(form, settings, "BKPEXT", "Ext", "CB_BkpExt");
        LoadCompression(form, settings);
        if (settings.ReadFlag("DEFAULTRESTOREDIR", "DIR", true))
            form.setText("EditRestore", settings.ReadText("DEFAULTRESTOREDIR", "DIR", ""));
        LoadLanguage(form, settings, hooks);
        if (!settings.ReadText("SENDBACKUPFTP", "Send", "").empty())
            form.setChecked("ChkBoxSentFTP", true);
        SetTextWhenStored(form, settings, "FTP", "Host", "LedFTPAdress");
        SetTextWhenStored(form, settings, "FTP", "User", "LedUserName");
        SetTextWhenStored(form, settings, "FTP", "Pswd", "LedPassword");
        SetTextWhenStored(form, settings, "FTP", "Port", "LedFTPPort");
        if (!settings.ReadText("SENDBACKUPMAIL", "Send", "").empty())
            form.setChecked("ChkBoxBkpMail", true);
        SetTextWhenStored(form, settings, "SMTP", "Host", "ledHost");
        SetTextWhenStored(form, settings, "SMTP", "Port", "EdSMTPPort");
        SetTextWhenStored(form, settings, "SMTP", "From", "ledFrom");
        SetTextWhenStored(form, settings, "SMTP", "To", "ledTo");
        SetTextWhenStored(form, settings, "SMTP", "CC", "ledCC");
        SetTextWhenStored(form, settings, "SMTP", "User", "EdSMTPUser");
        SetTextWhenStored(form, settings, "SMTP", "Pswd", "EdSMTPpswd");
        form.setItemIndex("CBCompMetho", settings.ReadText("COMPRESSION", "Method", "") == "1" ? 1 : 0);
        LoadMirrorListIntoForm(form, paths);
    });
}

} // namespace tervolen
