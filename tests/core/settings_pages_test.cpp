#include "connection_fields.h"
#include "core/errors.h"
#include "core/headless_form.h"
#include "core/mirror_list_file.h"
#include "core/settings_file.h"
#include "core/settings_pages.h"
#include "core/startup.h"
#include "core/settings_table.h"
#include "scripted_dialogs.h"
#include "temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace tervolen {
namespace {

namespace fs = std::filesystem;

class SaveScheduleTest : public ::testing::Test {
protected:
    void fillRequiredFields() { fillRequiredFields(form); }

    static void fillRequiredFields(FormState& form) {
        form.setText("CB_ChooseSGDBVer", "Firebird 2.0.x");
        test::setConnectionFields(form, {"TCP/IP", "dbhost", "libfbclient.so.2", "sysdba", "masterkey"});
        form.setText("CB_BkpExt", ".fbk");
    }

    std::string read(const char* section, const char* key) const {
        return SettingsFile::openSettings(paths.settingsFile).readText(section, key, "<missing>");
    }

    std::vector<std::string> sectionOrder() const {
        std::vector<std::string> names;
        std::string text = test::readFile(paths.settingsFile);
        for (size_t at = text.find('['); at != std::string::npos; at = text.find("\n[", at + 1)) {
            size_t begin = text[at] == '[' ? at + 1 : at + 2;
            names.push_back(text.substr(begin, text.find(']', begin) - begin));
        }
        return names;
    }

    test::TempDir dir;
    AppPaths paths{dir.path(), dir.file("tervolen.ini")};
    HeadlessForm form;
    test::ScriptedDialogs dialogs;
};

TEST_F(SaveScheduleTest, EveryFieldFilledStoresAllKeysCreatesFoldersAndMinimises) {
    fillRequiredFields();
    form.setText("eBase", "/data/sales.fdb");
    form.setText("eDirBackup", "/backups");
    form.setChecked("CheckVerbose", true);
    form.setChecked("CheckBackupLog", true);
    form.setItemChecked("clbSemana", 1, true);
    form.setItemChecked("clbHorarios", 2, true);
    form.setChecked("ChkBoxSentFTP", true);
    form.setChecked("ChkBoxBkpMail", true);
    form.addItem("MirrorListView", "/mnt/mirror");
    form.setText("LedFTPPort", "25");
    form.setText("EdSMTPPort", "587");
    form.setText("ledCC", "copy@example.com");
    saveSchedulePage(form, dialogs, paths);

    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_TRUE(form.minimized());
    EXPECT_EQ(read("DIRECTORYS", "BackupDir"), "/backups");
    EXPECT_EQ(read("VERBOSEMODE", "Verbose"), "Checked");
    EXPECT_EQ(read("CHECKBACKUPLOG", "AutoSave"), "Checked");
    EXPECT_EQ(read("DAYS", "Monday"), "1");
    EXPECT_EQ(read("DAYS", "Sunday"), "0");
    EXPECT_EQ(read("HOURS", "02:00"), "1");
    EXPECT_EQ(read("USERNAME", "UserName"), "SYSDBA");
    EXPECT_EQ(read("BKPEXT", "Ext"), ".fbk");
    EXPECT_EQ(read("DEFAULTRESTOREDIR", "DIR"), dir.file("DefaultRestores"));
    EXPECT_EQ(form.text("EditRestore"), dir.file("DefaultRestores"));
    EXPECT_EQ(read("SENDBACKUPFTP", "Send"), "Checked");
    EXPECT_EQ(read("FTP", "Port"), "25");
    EXPECT_EQ(read("SMTP", "Port"), "587");
    EXPECT_EQ(read("SMTP", "cc"), "copy@example.com");
    EXPECT_TRUE(test::readFile(paths.settingsFile).find("cc=copy@example.com") != std::string::npos)
        << "the copy recipient is stored under the lower-case key";
    for (const char* folder : {"DefaultRestores", "DefaultLogs", "DefaultBackups"})
        EXPECT_TRUE(fs::is_directory(dir.file(folder))) << folder;
    ASSERT_EQ(loadMirrorList(dir.file("Mirrors.lst")).size(), 1u);
    EXPECT_EQ(sectionOrder(), (std::vector<std::string>{
                                  "DIRECTORYS", "VERBOSEMODE", "BACKUPRESTOREMODE", "CHECKBACKUPLOG", "DAYS", "HOURS",
                                  "SGDBVER", "PROTOCOL", "SERVERNAME", "CLIENTLIB", "USERNAME", "PASSWORD", "BKPEXT",
                                  "DEFAULTRESTOREDIR", "SENDBACKUPFTP", "FTP", "SENDBACKUPMAIL", "SMTP"}));
}

TEST_F(SaveScheduleTest, AnEmptyRequiredFieldStopsThePartialSave) {
    struct Case {
        const char* emptied;
        const char* message;
        const char* lastStored; // section of the last key written
    };
    const Case cases[] = {
        {"CB_ChooseSGDBVer", "Set SGDBR Version", "HOURS"},
        {"CB_Protocol", "Set Protocol", "SGDBVER"},
        {"EdServerName", "Set Server Name", "PROTOCOL"},
        {"ClientLibFilenameEdit", "Set database client library", "SERVERNAME"},
        {"EdUserName", "Set database username", "CLIENTLIB"},
        {"EdPswd", "Set database Password", "USERNAME"},
        {"CB_BkpExt", "Set Backup Extension", "PASSWORD"},
    };
    for (const auto& c : cases) {
        test::TempDir caseDir;
        AppPaths casePaths{caseDir.path(), caseDir.file("tervolen.ini")};
        HeadlessForm caseForm;
        test::ScriptedDialogs caseDialogs;
        fillRequiredFields(caseForm);
        caseForm.setText(c.emptied, "");
        saveSchedulePage(caseForm, caseDialogs, casePaths);
        EXPECT_EQ(caseDialogs.texts("message"), std::vector<std::string>{c.message}) << c.emptied;
        EXPECT_EQ(caseForm.focused(), c.emptied);
        EXPECT_FALSE(caseForm.minimized());
        std::string text = test::readFile(casePaths.settingsFile);
        EXPECT_NE(text.find(std::string("[") + c.lastStored + "]"), std::string::npos) << c.emptied;
        EXPECT_EQ(text.find("[DEFAULTRESTOREDIR]"), std::string::npos) << c.emptied;
        EXPECT_FALSE(fs::exists(caseDir.file("DefaultRestores"))) << c.emptied;
        EXPECT_FALSE(fs::exists(caseDir.file("Mirrors.lst"))) << c.emptied;
    }
}

TEST_F(SaveScheduleTest, UntickedBoxesAndEmptiedFieldsClearWhatWasStored) {
    fillRequiredFields();
    form.setChecked("ChkBoxBkpMail", true);
    saveSchedulePage(form, dialogs, paths);
    form.setChecked("ChkBoxBkpMail", false);
    form.setText("ledCC", "");
    saveSchedulePage(form, dialogs, paths);
    EXPECT_EQ(read("SENDBACKUPMAIL", "Send"), "");
    EXPECT_EQ(read("SMTP", "CC"), "");
}

TEST_F(SaveScheduleTest, TheFtpSecurityAndPassiveKeysAreWrittenOnlyOnceSetOrStored) {
    const struct {
        const char* key;
        const char* set;     // the control's value, as stored
        const char* cleared; // the missing key's meaning, as stored
    } keys[] = {{"Security", "ImplicitTLS", "None"},
                {"Passive", "1", "0"},
                {"Folder", "backups/fb", ""},
                {"CAFile", "/etc/ca.pem", ""}};
    fillRequiredFields();
    form.setText("LedFTPAdress", "ftp.local");
    saveSchedulePage(form, dialogs, paths);
    for (const auto& key : keys)
        EXPECT_EQ(read("FTP", key.key), "<missing>") << key.key;

    form.setText("CBFTPSecurity", "ImplicitTLS");
    form.setChecked("ChkBoxFTPPassive", true);
    form.setText("LedFTPFolder", "backups/fb");
    form.setText("LedFTPCAFile", "/etc/ca.pem");
    saveSchedulePage(form, dialogs, paths);
    for (const auto& key : keys)
        EXPECT_EQ(read("FTP", key.key), key.set) << key.key;

    HeadlessForm loaded;
    loadSettingsIntoForm(loaded, paths, StartupHooks{});
    EXPECT_EQ(loaded.text("CBFTPSecurity"), "ImplicitTLS");
    EXPECT_TRUE(loaded.checked("ChkBoxFTPPassive"));
    EXPECT_EQ(loaded.text("LedFTPFolder"), "backups/fb");
    EXPECT_EQ(loaded.text("LedFTPCAFile"), "/etc/ca.pem");

    form.setText("CBFTPSecurity", "None");
    form.setChecked("ChkBoxFTPPassive", false);
    form.setText("LedFTPFolder", "");
    form.setText("LedFTPCAFile", "");
    saveSchedulePage(form, dialogs, paths);
    for (const auto& key : keys)
        EXPECT_EQ(read("FTP", key.key), key.cleared) << "a stored key follows its control: " << key.key;
    EXPECT_EQ(sectionOrder().back(), "SMTP") << "the keys join the FTP section";
}

TEST_F(SaveScheduleTest, CatchUpIsWrittenOnlyOnceTickedOrStored) {
    fillRequiredFields();
    saveSchedulePage(form, dialogs, paths);
    const std::string before = test::readFile(paths.settingsFile);
    saveSchedulePage(form, dialogs, paths);
    EXPECT_EQ(test::readFile(paths.settingsFile), before) << "an unticked box leaves a file without the key alone";
    EXPECT_EQ(read("SCHEDULE", "CatchUp"), "<missing>");

    form.setChecked("ChkBoxCatchUp", true);
    saveSchedulePage(form, dialogs, paths);
    EXPECT_EQ(read("SCHEDULE", "CatchUp"), "1");
    HeadlessForm loaded;
    loadSettingsIntoForm(loaded, paths, StartupHooks{});
    EXPECT_TRUE(loaded.checked("ChkBoxCatchUp"));

    form.setChecked("ChkBoxCatchUp", false);
    saveSchedulePage(form, dialogs, paths);
    EXPECT_EQ(read("SCHEDULE", "CatchUp"), "0") << "a stored key follows its box";
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(SaveScheduleTest, ADefaultFolderThatCannotBeCreatedIsReportedWithItsPath) {
    fillRequiredFields();
    test::writeFile(dir.file("DefaultRestores"), "a file in the way");
    try {
        saveSchedulePage(form, dialogs, paths);
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(e.text(), dir.file("DefaultRestores"));
    }
    EXPECT_EQ(read("BKPEXT", "Ext"), ".fbk") << "the keys up to BKPEXT are written back";
    EXPECT_FALSE(form.minimized());
    EXPECT_FALSE(fs::exists(dir.file("Mirrors.lst")));
}

TEST_F(SaveScheduleTest, SaveConfigStoresListsAndCompressionAndKeepsAnUnselectedMethod) {
    form.setItemChecked("clListaBackup", 1, true);
    form.setItemChecked("clListaRestore", 4, true);
    form.setChecked("ChkBoxCompress", true);
    form.setItemIndex("CBCompMetho", 1);
    saveConfigPage(form, paths);
    std::string first = test::readFile(paths.settingsFile);
    saveConfigPage(form, paths);
    EXPECT_EQ(test::readFile(paths.settingsFile), first);
    EXPECT_EQ(read("LISTABACKUP", "Ignore Limbo"), "1");
    EXPECT_EQ(read("LISTARESTORE", "Replace"), "1");
    EXPECT_EQ(read("COMPRESSION", "Checked"), "1");
    EXPECT_EQ(read("COMPRESSION", "Method"), "1");
    form.setText("CBCompMetho", "typed");
    saveConfigPage(form, paths);
    EXPECT_EQ(read("COMPRESSION", "Method"), "1");
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_FALSE(form.minimized());
}

TEST_F(SaveScheduleTest, MailSecurityAndCertificatesAreWrittenOnceChosenAndAnUnknownStoredValueStays) {
    fillRequiredFields();
    saveSchedulePage(form, dialogs, paths);
    EXPECT_EQ(read("SMTP", "Security"), "<missing>") << "a file from before the keys stays as it was";
    EXPECT_EQ(read("SMTP", "CAFile"), "<missing>");

    form.setItemIndex("CBSMTPSecurity", 1);
    form.setText("EdSMTPCAFile", "/etc/tervolen/ca.pem");
    saveSchedulePage(form, dialogs, paths);
    EXPECT_EQ(read("SMTP", "Security"), "STARTTLS");
    EXPECT_EQ(read("SMTP", "CAFile"), "/etc/tervolen/ca.pem");

    form.setItemIndex("CBSMTPSecurity", 0);
    form.setText("EdSMTPCAFile", "");
    saveSchedulePage(form, dialogs, paths);
    EXPECT_EQ(read("SMTP", "Security"), "None") << "a stored key follows the choice back to the default";
    EXPECT_EQ(read("SMTP", "CAFile"), "");

    withSettings(paths.settingsFile, [](SettingsFile& s) { s.writeText("SMTP", "Security", "Bogus"); });
    form.setItemIndex("CBSMTPSecurity", -1); // as start-up leaves the combo for such a value
    saveSchedulePage(form, dialogs, paths);
    EXPECT_EQ(read("SMTP", "Security"), "Bogus") << "the step refuses it; the save does not replace it";
}

TEST(SettingItemOfValue, StoredSecurityValuesAndTheComboItemTheyChoose) {
    const SettingRow& row = setting(SettingId::SmtpSecurity);
    const std::pair<std::string, int> cases[] = {{"", 0},         {"None", 0},     {"none", 0},
                                                 {"STARTTLS", 1}, {"StartTls", 1}, {" TLS ", 2},
                                                 {"SSL/TLS", -1}, {"SSL", -1},     {"STARTTLS2", -1}};
    for (const auto& [stored, item] : cases)
        EXPECT_EQ(settingItemOfValue(row, stored), item) << stored;
}

TEST_F(SaveScheduleTest, SaveConfigWritesThreadsOnlyOnceChangedOrStored) {
    saveConfigPage(form, paths);
    EXPECT_EQ(test::readFile(paths.settingsFile).find("Threads"), std::string::npos) << "untouched: not written";
    form.setText("SECompThreads", "3");
    saveConfigPage(form, paths);
    EXPECT_EQ(read("COMPRESSION", "Threads"), "3");
    form.setText("SECompThreads", "0");
    saveConfigPage(form, paths);
    EXPECT_EQ(read("COMPRESSION", "Threads"), "0") << "once stored, the default is written too";
}

TEST_F(SaveScheduleTest, SaveConfigWritesEncryptionOnlyOnceChangedOrStored) {
    saveConfigPage(form, paths);
    EXPECT_EQ(test::readFile(paths.settingsFile).find("ENCRYPTION"), std::string::npos) << "untouched: not written";
    form.setChecked("ChkBoxEncrypt", true);
    form.setText("EdArchivePswd", "pa55");
    saveConfigPage(form, paths);
    EXPECT_EQ(read("ENCRYPTION", "Enabled"), "1");
    EXPECT_EQ(read("ENCRYPTION", "Password"), "pa55");
    form.setChecked("ChkBoxEncrypt", false);
    saveConfigPage(form, paths);
    EXPECT_EQ(read("ENCRYPTION", "Enabled"), "0");
}

} // namespace
} // namespace tervolen
