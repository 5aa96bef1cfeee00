#include "core/form_design.h"

namespace tervolen {

namespace {

using K = ControlKind;

std::vector<ControlDesign> buildDesign() {
    const std::vector<std::string_view> weekdays = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                    "Thursday", "Friday", "Saturday"};
    const std::vector<std::string_view> hours = {
        "00:00", "01:00", "02:00", "03:00", "04:00", "05:00", "06:00", "07:00", "08:00", "09:00", "10:00", "11:00",
        "12:00", "13:00", "14:00", "15:00", "16:00", "17:00", "18:00", "19:00", "20:00", "21:00", "22:00", "23:00"};
    return {
        {"GradientHeaderPanel", K::Label},
        {"btnHide", K::Button, {}, {}, -1, true, true, "Hide in the notification area"},
        {"btnFechar", K::Button, "Cl&ose", {}, -1, true, true, "Close Tervolen"},

        {"TabActions", K::Tab, "&Actions"},
        {"LbStartBackup", K::LinkLabel, "Start &Backup", {}, -1, true, true, {}, {}, "TabActions"},
        {"LbClose", K::LinkLabel, "Cl&ose", {}, -1, true, true, {}, {}, "TabActions"},
        {"TabLanguage", K::Tab, "&Language"},
        {"LbEng", K::LinkLabel, "&English", {}, -1, true, true, {}, {}, "TabLanguage"},
        {"LbPort", K::LinkLabel, "&Português", {}, -1, true, true, {}, {}, "TabLanguage"},
        {"LbDeu", K::LinkLabel, "&Deutsche", {}, -1, true, true, {}, {}, "TabLanguage"},
        {"LbSpanol", K::LinkLabel, "Spañ&ol", {}, -1, true, true, {}, {}, "TabLanguage"},
        {"LbRus", K::LinkLabel, "&Rusky", {}, -1, true, true, {}, {}, "TabLanguage"},
        {"TabHelp", K::Tab, "&Help"},
        {"LbHelpTopic", K::LinkLabel, "Help To&pics", {}, -1, true, true, {}, {}, "TabHelp"},
        {"LbGetInterBase", K::LinkLabel, "&Get InterBase", {}, -1, true, true, {}, {}, "TabHelp"},
        {"LbGetInterBaseFree", K::LinkLabel, "Get InterBase &Free", {}, -1, true, true, {}, {}, "TabHelp"},
        {"LbGetFirebird", K::LinkLabel, "Get Fi&rebird", {}, -1, true, true, {}, {}, "TabHelp"},
        {"LbAbout", K::LinkLabel, "Ab&out...", {}, -1, true, true, {}, {}, "TabHelp"},

        {"TabSchedule", K::Page, "&Schedule"},
        {"eBase", K::FileEdit, {}, {}, -1, true, true, "Set Database File", "Database File:", "TabSchedule"},
        {"eDirBackup", K::FolderEdit, {}, {}, -1, true, true, "Choose the backup folder", "Backup Folder:",
         "TabSchedule"},
        {"GroupSchedules", K::Group, "Schedules:", {}, -1, true, true, {}, {}, "TabSchedule"},
        {"clbSemana", K::CheckList, {}, weekdays, -1, true, true, {}, {}, "GroupSchedules"},
        {"clbHorarios", K::CheckList, {}, hours, -1, true, true, {}, {}, "GroupSchedules"},
        {"GroupMirrors", K::Group, "Mirrors:", {}, -1, true, true, {}, {}, "TabSchedule"},
        {"JvTransparentButton3", K::Button, "+", {}, -1, true, true, "Add Mirror", {}, "GroupMirrors"},
        {"JvTransparentButton4", K::Button, "-", {}, -1, true, true, "Remove Mirror", {}, "GroupMirrors"},
        {"MirrorListView", K::ListView, {}, {}, -1, true, true, {}, {}, "GroupMirrors"},
        {"TranspButOkSchedule", K::Button, "OK", {}, -1, true, true, "Set Scheduling Config", {}, "TabSchedule"},
        {"RollOut", K::Group, "Bas&ic Options", {}, -1, true, true, {}, {}, "TabSchedule"},

        {"GroupVersion", K::Group, "RDBMS Version ", {}, -1, true, true, {}, {}, "RollOut"},
        {"CB_ChooseSGDBVer", K::ComboBox, {},
         {"InterBase 4.x.x", "InterBase 5.x.x", "InterBase 6.0.x", "InterBase 7.x", "InterBase 7.5.x",
          "InterBase 8 (2007)", "Firebird 1.0.x", "Firebird 1.5.x", "Firebird 2.0.x", "Firebird 3.0", "Firebird 4.0",
          "Firebird 5.0", "Yaffill 1.0"},
         -1, true, true, {}, {}, "GroupVersion"},
        {"GroupProtocol", K::Group, "Protocol:", {}, -1, true, true, {}, {}, "RollOut"},
        {"CB_Protocol", K::ComboBox, {}, {"LOCAL", "TCP/IP", "Novell IPX/SPX", "NetBEUI"}, -1, true, true, {}, {},
         "GroupProtocol"},
        {"GroupServer", K::Group, "Server Name:", {}, -1, true, true, {}, {}, "RollOut"},
        {"EdServerName", K::Edit, {}, {}, -1, true, true, {}, {}, "GroupServer"},
        {"BtnTestConnection", K::Button, "Test connection", {}, -1, true, true,
         "Attaches to the server with these fields and shows its version", {}, "GroupServer"},
        {"ChkBoxCatchUp", K::CheckBox, "Catch up missed backups at start", {}, -1, true, true, {}, {}, "RollOut"},
        {"GroupLibrary", K::Group, "Library:", {}, -1, true, true, {}, {}, "RollOut"},
        {"ClientLibFilenameEdit", K::FileEdit, {}, {}, -1, true, true, {}, {}, "GroupLibrary"},
        {"GroupSecurity", K::Group, "Security:", {}, -1, true, true, {}, {}, "RollOut"},
        {"EdUserName", K::UpperCaseEdit, {}, {}, -1, true, true, {}, "User Name", "GroupSecurity"},
        {"EdPswd", K::PasswordEdit, {}, {}, -1, true, true, {}, "Password", "GroupSecurity"},
        {"GroupOutput", K::Group, "Output Monitor:", {}, -1, true, true, {}, {}, "RollOut"},
        {"CheckVerbose", K::CheckBox, "Verbose", {}, -1, true, true, {}, {}, "GroupOutput"},
        {"GroupExtension", K::Group, "Backup Extension:", {}, -1, true, true, {}, {}, "RollOut"},
        {"CB_BkpExt", K::ComboBox, {}, {".gbk", ".ibk", ".fbk", ".bkp"}, -1, true, true, {}, {}, "GroupExtension"},
        {"GroupLog", K::Group, "Backup Log File:", {}, -1, true, true, {}, {}, "RollOut"},
        {"CheckBackupLog", K::CheckBox, "Auto Save Backup Log", {}, -1, true, true, {}, {}, "GroupLog"},
        {"LogFileEdit", K::FolderEdit, {}, {}, -1, false, true, {}, {}, "GroupLog"},
        {"GroupMail", K::Group, "e-Mail copy and notifications:", {}, -1, true, true, {}, {}, "RollOut"},
        {"ledHost", K::Edit, {}, {}, -1, true, true, {}, "Mail Host (SMTP Server):", "GroupMail", "smtp.example.com"},
        {"ledFrom", K::Edit, {}, {}, -1, true, true, {}, "From:", "GroupMail", "backup@example.com"},
        {"ledTo", K::Edit, {}, {}, -1, true, true, {}, "To:", "GroupMail", "dba@example.com"},
        {"ledCC", K::Edit, {}, {}, -1, true, true, {}, "CC:", "GroupMail", "copy@example.com"},
        {"EdSMTPUser", K::Edit, {}, {}, -1, true, true, {}, "User name:", "GroupMail", "backup"},
        {"EdSMTPpswd", K::PasswordEdit, {}, {}, -1, true, true, {}, "Password:", "GroupMail", "1234567890"},
        {"EdSMTPPort", K::NumberBox, {}, {}, -1, true, true, {}, "Port", "GroupMail", "587"},
        {"CBSMTPSecurity", K::ComboBox, "None", {"None", "STARTTLS", "SSL/TLS"}, 0, true, true, {}, "Security:",
         "GroupMail"},
        {"EdSMTPCAFile", K::FileEdit, {}, {}, -1, true, true, {}, "Trusted certificates:", "GroupMail"},
        {"LbMailAdvice", K::Label, "Avoid mailing backups larger than 10 MB", {}, -1, true, true, {}, {}, "GroupMail"},
        {"ChkBoxBkpMail", K::CheckBox, "Send the backup by e-mail", {}, -1, true, true, {}, {}, "GroupMail"},
        {"BtnTestMail", K::Button, "Send test mail", {}, -1, true, true, "Sends a short message with these fields", {},
         "GroupMail"},
        {"GroupFtp", K::Group, "FTP: ", {}, -1, true, true, {}, {}, "RollOut"},
        {"LedFTPAdress", K::Edit, {}, {}, -1, true, true, {}, "FTP Address: ", "GroupFtp", "ftp.example.com"},
        {"LedUserName", K::Edit, {}, {}, -1, true, true, {}, "Login: ", "GroupFtp", "backup"},
        {"LedPassword", K::PasswordEdit, {}, {}, -1, true, true, {}, "Password: ", "GroupFtp", "1234567890"},
        {"LedFTPPort", K::NumberBox, {}, {}, -1, true, true, {}, "Port: ", "GroupFtp", "25"},
        {"ChkBoxSentFTP", K::CheckBox, "Send Backup Through FTP", {}, -1, true, true, {}, {}, "GroupFtp"},
        {"CBFTPSecurity", K::ComboBox, "None", {"None", "TLS", "ImplicitTLS"}, 0, true, true,
         "TLS: AUTH TLS on the usual port; ImplicitTLS: TLS from the start (port 990)", "Encryption: ", "GroupFtp"},
        {"ChkBoxFTPPassive", K::CheckBox, "Passive mode", {}, -1, true, true, {}, {}, "GroupFtp"},
        {"LedFTPFolder", K::Edit, {}, {}, -1, true, true, {}, "Folder: ", "GroupFtp", "backups/firebird"},
        {"LedFTPCAFile", K::FileEdit, {}, {}, -1, true, true, "Empty: the system's trusted certificates",
         "Trusted certificates: ", "GroupFtp"},
        {"BtnTestFtp", K::Button, "Test FTP", {}, -1, true, true,
         "Uploads tervolen-test.txt with these fields and deletes it again", {}, "GroupFtp"},

        {"TabRestore", K::Page, "Res&tore"},
        {"EditGBK", K::FileEdit, {}, {}, -1, true, true, {}, "Backup File:", "TabRestore"},
        {"EditRestore", K::SaveFileEdit, {}, {}, -1, true, true, {}, "Restored Database File:", "TabRestore"},
        {"GroupRestoreOptions", K::Group, "Restore Options: ", {}, -1, true, true, {}, {}, "TabRestore"},
        {"clListaRestore", K::CheckList, {},
         {"DeactivateIndexes", "NoShadowFiles", "NoValidityCheck", "OneRelationAtATime", "Replace", "CreateNewDB",
          "UseAllSpace"},
         -1, true, true, {}, {}, "GroupRestoreOptions"},
        {"LabeledEdPageSize", K::ComboBox, {}, {"1024", "2048", "4096", "8192", "16384", "32768"}, -1, true, true, {},
         "Page Size", "TabRestore"},
        {"InitRestore", K::Button, "Start Restore", {}, -1, true, true, "Starts a Restore", {}, "TabRestore"},

        {"TabValidation", K::Page, "&Validation"},
        {"DBValidateEdit", K::FileEdit, {}, {}, -1, true, true, "Search database to validate", "Database File:",
         "TabValidation"},
        {"GroupValidateOptions", K::Group, "Validate Options:", {}, -1, true, true, {}, {}, "TabValidation"},
        {"clListaValidation", K::CheckList, {},
         {"LimboTransactions", "CheckDB", "IgnoreChecksum", "KillShadows", "MendDB", "SweepDB", "ValidateDB",
          "ValidateFull"},
         -1, true, true, {}, {}, "GroupValidateOptions"},
        {"ValidateBufferEdit", K::NumberBox, "32000", {}, -1, true, true, {}, "Buffer Size:", "TabValidation"},
        {"JvTranspValidation", K::Button, "Start Validation", {}, -1, true, true, "Starts Validation", {},
         "TabValidation"},

        {"TabConfig", K::Page, "&Config"},
        {"GroupBackupConfig", K::Group, "Backup Options:", {}, -1, true, true, {}, {}, "TabConfig"},
        {"clListaBackup", K::CheckList, {},
         {"Ignore Check Sums", "Ignore Limbo", "Creates Metadata Only", "No garbage collection",
          "Old Meta Data Desc", "Non Transportable Backup", "Convert External Tables Into Internal Tables"},
         -1, true, true, {}, {}, "GroupBackupConfig"},
        {"GroupCompression", K::Group, "Compression Options:", {}, -1, true, true, {}, {}, "TabConfig"},
        {"ChkBoxCompress", K::CheckBox, "Make a compressed copy of each backup", {}, -1, true, true, {}, {},
         "GroupCompression"},
        {"CBCompMetho", K::ComboBox, "Zip", {"Zip", "Bzip2"}, 0, false, true, {}, "Method:", "GroupCompression"},
        {"CBCompMethoLevel", K::ComboBox, "Maximum", {"Store", "Fast", "Medium", "Maximum"}, 3, false, true, {},
         "Level:", "GroupCompression"},
        {"GroupRetention", K::Group, "Retention:", {}, -1, true, true, {}, {}, "TabConfig"},
        {"SpinKeepLast", K::SpinBox, "0", {}, -1, true, true, {}, "Last:", "GroupRetention"},
        {"SpinKeepDaily", K::SpinBox, "0", {}, -1, true, true, {}, "Daily:", "GroupRetention"},
        {"SpinKeepWeekly", K::SpinBox, "0", {}, -1, true, true, {}, "Weekly:", "GroupRetention"},
        {"SpinKeepMonthly", K::SpinBox, "0", {}, -1, true, true, {}, "Monthly:", "GroupRetention"},
        {"SpinKeepYearly", K::SpinBox, "0", {}, -1, true, true, {}, "Yearly:", "GroupRetention"},
        {"BtnRetentionPreview", K::Button, "Preview", {}, -1, true, true, "Shows what pruning would keep and remove",
         {}, "GroupRetention"},
        {"SECompThreads", K::SpinBox, "0", {}, -1, true, true, "0: every core", "Threads:", "GroupCompression"},
        {"ChkBoxEncrypt", K::CheckBox, "Encrypt archives", {}, -1, true, true, {}, {}, "GroupCompression"},
        {"EdArchivePswd", K::PasswordEdit, {}, {}, -1, true, true, {}, "Archive password:", "GroupCompression"},
        {"EdArchivePswdAgain", K::PasswordEdit, {}, {}, -1, true, true, {}, "Repeat password:", "GroupCompression"},
        {"GroupVerify", K::Group, "Verify:", {}, -1, true, true, {}, {}, "TabConfig"},
        {"ChkBoxVerifyRestore", K::CheckBox, "Test restore every backup", {}, -1, true, true, {}, {}, "GroupVerify"},
        {"EdVerifyFolder", K::FolderEdit, {}, {}, -1, true, true, "Empty: the backup folder", "Test restore folder:",
         "GroupVerify"},
        {"GroupAlerts", K::Group, "Alerts:", {}, -1, true, true, {}, {}, "TabConfig"},
        {"ChkBoxMailOnFailure", K::CheckBox, "Mail a report when a run fails", {}, -1, true, true, {}, {},
         "GroupAlerts"},
        {"ChkBoxMailOnSuccess", K::CheckBox, "Mail a report after good runs", {}, -1, true, true, {}, {},
         "GroupAlerts"},
        {"EdAlertCommand", K::Edit, {}, {}, -1, true, true, "Run after every run, without a shell",
         "Command after each run:", "GroupAlerts"},
        {"ChkBoxAutostart", K::CheckBox, "Start with my desktop session", {}, -1, true, true, {}, {}, "TabConfig"},
        {"TranspButOKConfig", K::Button, "OK", {}, -1, true, true, "Set Configs", {}, "TabConfig"},

        {"TabMonitor", K::Page, "&Monitor"},
        {"BtSaveBkpLog", K::Button, {}, {}, -1, true, true, "Save Log File", {}, "TabMonitor"},
        {"LED", K::Lamp, {}, {}, -1, true, true, {}, {}, "TabMonitor"},
        {"reStatus", K::RichText, {}, {}, -1, true, true, {}, {}, "TabMonitor"},

        {"LbInfo", K::Label, "There is no Today Scheduled Backup!", {}, -1, true, false},

        {"AppLaunch", K::MenuItem, "&Launch Tervolen"},
        {"StartBackup1", K::MenuItem, "Start &Backup"},
        {"MenuItem1", K::MenuItem, "Cl&ose"},
        {"About1", K::MenuItem, "Ab&out..."},
    };
}

} // namespace

const std::vector<ControlDesign>& mainWindowDesign() {
    static const std::vector<ControlDesign> design = buildDesign();
    return design;
}

const ControlDesign* findControlDesign(std::string_view name) {
    for (const auto& control : mainWindowDesign())
        if (control.name == name)
            return &control;
    return nullptr;
}

int pageOf(std::string_view name) {
    static constexpr std::string_view pages[] = {"TabSchedule", "TabRestore", "TabValidation", "TabConfig",
                                                 "TabMonitor"};
    for (const ControlDesign* control = findControlDesign(name); control != nullptr;
         control = findControlDesign(control->parent)) {
        for (int i = 0; i < 5; ++i)
            if (control->name == pages[i])
                return i;
    }
    return -1;
}

} // namespace tervolen
