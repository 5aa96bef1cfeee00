#include "core/errors.h"
#include "core/headless_form.h"
#include "core/language_choice.h"
#include "core/mirror_list_file.h"
#include "core/startup.h"
#include "temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace tervolen {
namespace {

namespace fs = std::filesystem;

class StartupTest : public ::testing::Test {
protected:
    void load(const std::string& settings) {
        test::writeFile(paths.settingsFile, settings);
        loadSettingsIntoForm(form, paths, hooks);
    }

    test::TempDir dir;
    AppPaths paths{dir.path(), dir.file("tervolen.ini")};
    HeadlessForm form;
    std::vector<std::string> languages;
    StartupHooks hooks{{}, [this](const std::string& file) { languages.push_back(file); }};
};

TEST_F(StartupTest, FirstStartWithoutFilesUsesDefaultsAndCreatesAnEmptyPrivateFile) {
    int compressionClicks = 0;
    form.onClick("ChkBoxCompress", [&] { ++compressionClicks; });
    loadSettingsIntoForm(form, paths, hooks);
    for (int i = 0; i < 7; ++i)
        EXPECT_FALSE(form.itemChecked("clbSemana", i));
    for (int i = 0; i < 24; ++i)
        EXPECT_FALSE(form.itemChecked("clbHorarios", i));
    EXPECT_TRUE(form.checked("ChkBoxCompress"));
    EXPECT_EQ(compressionClicks, 1);
    EXPECT_TRUE(form.enabled("CBCompMetho"));
    EXPECT_EQ(form.itemIndex("CBCompMetho"), 0);
    EXPECT_TRUE(languages.empty());
    EXPECT_EQ(form.itemCount("MirrorListView"), 0) << "a missing list file is an empty list";
    EXPECT_EQ(form.text("EditRestore"), "");
    ASSERT_TRUE(fs::exists(paths.settingsFile));
    EXPECT_EQ(fs::file_size(paths.settingsFile), 0u);
    struct stat info {};
    ::stat(paths.settingsFile.c_str(), &info);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST_F(StartupTest, LoadsEveryStoredSetting) {
    int logClicks = 0;
    form.onClick("CheckBackupLog", [&] { ++logClicks; });
    saveMirrorList(dir.file("Mirrors.lst"), {"/mnt/a", "/mnt/b"});
    load("[directorys]\r\nbase=/data/sales.fdb\r\nbackupdir=/backups\r\n"
         "[VERBOSEMODE]\r\nVerbose=Checked\r\n[BACKUPRESTOREMODE]\r\nChecked=Checked\r\n"
         "[DAYS]\r\nTuesday=1\r\n[HOURS]\r\n02:00=1\r\n23:00=0x1\r\n"
         "[LISTABACKUP]\r\nIgnore Limbo=1\r\n[LISTARESTORE]\r\nReplace=1\r\n"
         "[SGDBVER]\r\nVersion=Firebird 2.0.x\r\n[PROTOCOL]\r\nType=LOCAL\r\n[SERVERNAME]\r\nName=dbhost\r\n"
         "[CLIENTLIB]\r\nClientLib=/opt/fb/libfbclient.so\r\n[USERNAME]\r\nUserName=sysdba\r\n"
         "[PASSWORD]\r\nPswd=secret\r\n[BKPEXT]\r\nExt=.fbk\r\n[COMPRESSION]\r\nChecked=0\r\nMethod=1\r\n"
         "[DEFAULTRESTOREDIR]\r\nDIR=/restores\r\n[SENDBACKUPFTP]\r\nSend=Checked\r\n[FTP]\r\nHost=ftp.local\r\n"
         "[SENDBACKUPMAIL]\r\nSend=Checked\r\n[SMTP]\r\nHost=mail.local\r\ncc=boss@local\r\nPort=\r\n");
    EXPECT_EQ(form.text("eBase"), "/data/sales.fdb");
    EXPECT_EQ(form.text("eDirBackup"), "/backups");
    EXPECT_TRUE(form.checked("CheckVerbose"));
    EXPECT_TRUE(form.checked("CheckBackupLog"));
    EXPECT_EQ(logClicks, 1);
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(form.itemChecked("clbSemana", i), i == 2) << i;
    EXPECT_TRUE(form.itemChecked("clbHorarios", 2));
    EXPECT_TRUE(form.itemChecked("clbHorarios", 23));
    EXPECT_TRUE(form.itemChecked("clListaBackup", 1));
    EXPECT_TRUE(form.itemChecked("clListaRestore", 4));
    EXPECT_EQ(form.itemIndex("CB_ChooseSGDBVer"), 8);
    EXPECT_EQ(form.text("CB_Protocol"), "LOCAL");
    EXPECT_EQ(form.text("EdServerName"), "dbhost");
    EXPECT_EQ(form.text("ClientLibFilenameEdit"), "/opt/fb/libfbclient.so");
    EXPECT_EQ(form.text("EdUserName"), "SYSDBA");
    EXPECT_EQ(form.text("CB_BkpExt"), ".fbk");
    EXPECT_FALSE(form.checked("ChkBoxCompress"));
    EXPECT_FALSE(form.enabled("CBCompMetho"));
    EXPECT_EQ(form.itemIndex("CBCompMetho"), 1);
    EXPECT_EQ(form.text("EditRestore"), "/restores");
    EXPECT_TRUE(form.checked("ChkBoxSentFTP"));
    EXPECT_EQ(form.text("LedFTPAdress"), "ftp.local");
    EXPECT_EQ(form.text("LedFTPPort"), "") << "a missing key leaves the field empty, not the design sample";
    EXPECT_TRUE(form.checked("ChkBoxBkpMail"));
    EXPECT_EQ(form.text("ledCC"), "boss@local");
    EXPECT_EQ(form.text("EdSMTPPort"), "") << "an empty value leaves the field empty";
    ASSERT_EQ(form.itemCount("MirrorListView"), 2);
    EXPECT_EQ(form.itemText("MirrorListView", 1), "/mnt/b");
}

TEST_F(StartupTest, LanguageChoiceAtStartup) {
    const std::string design = "There is no Today Scheduled Backup!";
    struct Case {
        std::string stored;
        std::vector<std::string> applied;
        std::string info;
    };
    std::vector<Case> cases = {
        {"&English", {"enusa.lng"}, design},
        {"&Português", {"ptbr.lng"}, "Não existem Backups Agendados para hoje!"},
        {"0", {}, design},
        {"&english", {}, design},
    };
    for (const auto& choice : languageChoices())
        cases.push_back({choice.caption, {choice.file}, choice.noBackupToday});
    for (const auto& c : cases) {
        form = HeadlessForm();
        languages.clear();
        load("[LANG]\r\nSetLang=" + c.stored + "\r\n");
        EXPECT_EQ(languages, c.applied) << c.stored;
        EXPECT_EQ(form.text("LbInfo"), c.info) << c.stored;
    }
}

TEST_F(StartupTest, RestoreFolderStoredAsZeroIsNotLoaded) {
    load("[DEFAULTRESTOREDIR]\r\nDIR=0x0\r\n");
    EXPECT_EQ(form.text("EditRestore"), "");
}

TEST_F(StartupTest, AnUnreadableMirrorListIsReportedAfterTheSettingsAreWrittenBack) {
    fs::create_directory(dir.file("Mirrors.lst"));
    test::writeFile(paths.settingsFile, "; comment\r\n[DIRECTORYS]\r\nBase=/x.fdb\r\n");
    try {
        loadSettingsIntoForm(form, paths, hooks);
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Cannot open file \"" + dir.file("Mirrors.lst") + "\". ", 0), 0u)
            << e.what();
    }
    EXPECT_EQ(form.text("eBase"), "/x.fdb");
    EXPECT_EQ(test::readFile(paths.settingsFile), "[DIRECTORYS]\r\nBase=/x.fdb\r\n\r\n");
}

} // namespace
} // namespace tervolen
