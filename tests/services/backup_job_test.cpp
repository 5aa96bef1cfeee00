// The backup job against the private Firebird server of the "firebird" fixture and against embedded
// access ("service_mgr", protocol LOCAL). Every backup a test reports as written is restored with gbak.
#include "services/backup_job.h"

#include "connection_fields.h"
#include "core/folder_safety.h"
#include "core/headless_form.h"
#include "core/settings_file.h"
#include "firebird_server.h"
#include "fixed_clock.h"
#include "monitor_lines.h"
#include "scripted_dialogs.h"
#include "temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace tervolen {
namespace {

namespace fs = std::filesystem;
using test::theFirebirdServer;

class BackupJobTest : public ::testing::Test {
protected:
    void SetUp() override {
        server = &theFirebirdServer();
        // As the program sets it up: an unknown protocol text keeps TCP, never embedded access to the
        // server's own database.
        service.setProtocol(Protocol::TCP);
        service.setLoginPrompt(false);
        clock.set(2006, 12, 9, 15, 30, 12);
        test::setConnectionFields(form, test::serverConnection(*server));
        form.setText("CB_BkpExt", ".fbk");
        writeSettings(server->database, backups.path(), true);
    }

    void writeSettings(const std::string& database, const std::string& folder, bool verbose) {
        withSettings(paths.settingsFile, [&](SettingsFile& s) {
            s.writeText("DIRECTORYS", "Base", database);
            s.writeText("DIRECTORYS", "BackUpDir", folder);
            s.writeText("VERBOSEMODE", "Verbose", verbose ? "Checked" : "");
        });
    }

    bool run(bool unattended = false) {
        BackupJob job(JobContext{form, dialogs, monitor, paths, clock, [] {}, {}, {}}, service, currentBackupName);
        bool result = job.run(unattended);
        handedOn += job.backupFinished() ? 1 : 0;
        return result;
    }

    std::vector<std::string> texts() const { return test::monitorTexts(monitor); }

    size_t indexOf(const std::string& text) const {
        for (size_t i = 0; i < monitor.size(); ++i)
            if (monitor.paragraph(i).text == text)
                return i;
        return monitor.size();
    }

    // Restores the backup with the server's own gbak and reads the test table back.
    std::string restoredRows(const std::string& backupFile) {
        std::string restored = backups.file("restored.fdb");
        std::string auth = " -user " + server->user + " -password " + server->password;
        std::string output;
        int rc = test::runCommand("gbak -c" + auth + " " + backupFile + " " + server->remotePath(restored), &output);
        EXPECT_EQ(rc, 0) << output;
        test::runCommand(
            "echo 'SELECT COUNT(*) FROM CUSTOMER;' | isql-fb -q" + auth + " " + server->remotePath(restored), &output);
        return output;
    }

    const test::FirebirdServer* server = nullptr;
    test::TempDir dir;
    test::ServerFolder backups;
    AppPaths paths{dir.path(), dir.file("tervolen.ini")};
    HeadlessForm form;
    test::ScriptedDialogs dialogs;
    MonitorLog monitor;
    test::FixedClock clock;
    BackupService service{"Backup", "FrmPrincipal"};
    std::string currentBackupName;
    int handedOn = 0;
};

TEST_F(BackupJobTest, AVerboseRunWritesARestorableBackupAndColoursTheOutput) {
    form.setChecked("ChkBoxCompress", true);
    EXPECT_TRUE(run());
    EXPECT_EQ(currentBackupName, "200612093015.fbk");
    std::string backupFile = backups.file("200612093015.fbk");
    ASSERT_TRUE(fs::exists(backupFile));
    EXPECT_NE(restoredRows(backupFile).find("3"), std::string::npos);

    auto lines = texts();
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[0], "=========== Started Backup ===========");
    EXPECT_EQ(lines[1], "Started Backup at Saturday, December 9, 2006, 15:30:12 hour");
    EXPECT_EQ(lines.back(), "=========== Backup Finished ========");
    EXPECT_EQ(monitor.paragraph(0).color, kFuchsia);
    EXPECT_EQ(monitor.paragraph(2).color, kGreen) << "server lines take the start line's colour";
    EXPECT_EQ(monitor.paragraph(2).size, kMonitorLineSize);
    EXPECT_NE(lines[2].find("gbak:"), std::string::npos);
    EXPECT_EQ(monitor.paragraph(monitor.size() - 1).color, kNavy);
    EXPECT_TRUE(monitor.led());
    EXPECT_EQ(form.activePage(), static_cast<int>(Page::Monitor));
    EXPECT_EQ(handedOn, 1);
}

TEST_F(BackupJobTest, ANonVerboseRunWithAnOptionRow) {
    writeSettings(server->database, backups.path(), false);
    form.setText("CB_BkpExt", "fbk");
    form.setItemIndex("clListaBackup", 1);
    EXPECT_TRUE(run());
    EXPECT_EQ(service.options, BackupOptions{BackupOption::IgnoreLimbo});
    EXPECT_EQ(currentBackupName, "200612093015fbk");
    ASSERT_TRUE(fs::exists(backups.file("200612093015fbk")));
    EXPECT_NE(restoredRows(backups.file("200612093015fbk")).find("3"), std::string::npos);
    size_t off = indexOf("No output, Verbose Mode Turned Off!");
    ASSERT_LT(off, monitor.size());
    EXPECT_EQ(monitor.paragraph(off).color, kFuchsia);
    EXPECT_EQ(handedOn, 1);
}

TEST_F(BackupJobTest, AWrongPasswordGivesTheAttachAndRequestLinesAndARedLamp) {
    form.setText("EdPswd", "wrong");
    form.setChecked("ChkBoxCompress", true);
    EXPECT_TRUE(run());
    auto lines = texts();
    size_t attach = indexOf("Error Code 0001 Internal System ");
    ASSERT_LT(attach + 1, lines.size());
    EXPECT_EQ(lines[attach + 1], "FrmPrincipal.Backup:");
    EXPECT_EQ(monitor.paragraph(attach).color, kRed);
    size_t request = indexOf("Error Code 0001A Internal System ");
    ASSERT_LT(request + 1, lines.size());
    EXPECT_GT(request, attach);
    EXPECT_EQ(lines[request + 1], "Cannot perform operation -- service is not attached");
    EXPECT_FALSE(monitor.led());
    EXPECT_EQ(handedOn, 0) << "a backup that did not finish is not handed on";
}

TEST_F(BackupJobTest, AMissingLibraryAndAnEmptyDatabasePath) {
    form.setText("ClientLibFilenameEdit", "/nonexistent/libfbclient.so");
    EXPECT_TRUE(run());
    auto lines = texts();
    size_t attach = indexOf("Error Code 0001 Internal System ");
    ASSERT_LT(attach + 1, lines.size());
    EXPECT_EQ(lines[attach + 1], "Can't load library /nonexistent/libfbclient.so ");

    form.setText("ClientLibFilenameEdit", server->clientLibrary);
    writeSettings("", backups.path(), true);
    EXPECT_TRUE(run());
    lines = texts();
    size_t request = indexOf("Error Code 0001A Internal System ");
    ASSERT_LT(request + 1, lines.size());
    EXPECT_EQ(lines[request + 1], "Start Parameters missing or incorrect");
    EXPECT_EQ(indexOf("Error Code 0001 Internal System "), lines.size()) << "the attach succeeded";
}

TEST_F(BackupJobTest, AnEmptyBackupFolderFailsBeforeTouchingTheMonitor) {
    monitor.addMonitorLine("earlier", kNavy, kMonitorLineSize);
    writeSettings(server->database, "", true);
    EXPECT_FALSE(run());
    EXPECT_EQ(texts(), std::vector<std::string>{"earlier"});
    EXPECT_TRUE(monitor.led());
    EXPECT_FALSE(service.active());
}

TEST_F(BackupJobTest, AnInvalidProtocolIsAMessageOrAMonitorLineWhenNobodyWatches) {
    form.setText("CB_Protocol", "tcp/ip");
    EXPECT_TRUE(run(false));
    EXPECT_EQ(dialogs.texts("message"), std::vector<std::string>{"Invalid Protocol Name"});
    EXPECT_EQ(form.focused(), "CB_Protocol");
    EXPECT_LT(indexOf("=========== Backup Finished ========"), monitor.size()) << "TCP was kept";

    dialogs.shown.clear();
    clock.set(2006, 12, 9, 15, 31, 0); // a name of its own: a taken one refuses the backup
    EXPECT_TRUE(run(true));
    EXPECT_TRUE(dialogs.shown.empty());
    size_t line = indexOf("Invalid Protocol Name");
    ASSERT_LT(line, monitor.size());
    EXPECT_EQ(monitor.paragraph(line).color, kRed);
}

TEST_F(BackupJobTest, TheLogIsSavedAutomaticallyBesideTheDefaultLogs) {
    form.setChecked("CheckBackupLog", true);
    form.setText("LogFileEdit", dir.path() + "/");
    EXPECT_TRUE(run());
    std::string log = test::readFile(dir.file("200612093015.fbkBackupLog.log"));
    EXPECT_EQ(log.rfind("{\\rtf1", 0), 0u);
    EXPECT_NE(log.find("Backup Finished"), std::string::npos);
}

TEST_F(BackupJobTest, AMissingLogFolderIsCreatedAndALogThatCannotBeSavedDoesNotStopTheChain) {
    form.setChecked("ChkBoxCompress", true);
    form.setChecked("CheckBackupLog", true);
    form.setText("LogFileEdit", dir.path() + "/missing/logs/");
    EXPECT_TRUE(run());
    EXPECT_EQ(handedOn, 1);
    EXPECT_NE(test::readFile(dir.file("missing/logs/200612093015.fbkBackupLog.log")).find("Backup Finished"),
              std::string::npos);

    test::writeFile(dir.file("plain"), "not a folder");
    form.setText("LogFileEdit", dir.file("plain") + "/");
    clock.set(2006, 12, 9, 15, 31, 0);
    EXPECT_TRUE(run());
    EXPECT_EQ(handedOn, 2) << "the chain goes on after a log that cannot be saved";
    ASSERT_GE(monitor.size(), 1u);
    const MonitorParagraph& last = monitor.paragraph(monitor.size() - 1);
    EXPECT_EQ(last.color, kRed);
    EXPECT_NE(last.text.find(dir.file("plain")), std::string::npos) << last.text;
}

// Something already at the backup's name (two starts in one minute, or a planted link) is never written over.
TEST_F(BackupJobTest, ATakenBackupNameRefusesTheBackup) {
    form.setChecked("ChkBoxCompress", true);
    const std::string name = backups.file("200612093015.fbk");
    test::writeFile(dir.file("victim"), "keep me");
    for (const char* kind : {"file", "link", "folder"}) {
        SCOPED_TRACE(kind);
        std::filesystem::remove_all(name);
        if (std::string(kind) == "file")
            test::writeFile(name, "an earlier backup");
        else if (std::string(kind) == "link")
            fs::create_symlink(dir.file("victim"), name);
        else
            fs::create_directory(name);
        EXPECT_FALSE(run());
        EXPECT_EQ(handedOn, 0);
        size_t line = indexOf("The backup file \"" + name + "\" already exists; the backup was not started.");
        ASSERT_LT(line, monitor.size());
        EXPECT_EQ(monitor.paragraph(line).color, kRed);
        EXPECT_EQ(indexOf("=========== Backup Finished ========"), monitor.size());
    }
    EXPECT_EQ(test::readFile(dir.file("victim")), "keep me");
}

TEST_F(BackupJobTest, TheServersBackupBecomesOwnerOnlyAndOpenFoldersAreWarnedAbout) {
    form.addItem("MirrorListView", dir.file("open-mirror"));
    fs::create_directory(dir.file("open-mirror"));
    ::chmod(dir.file("open-mirror").c_str(), 0777);
    EXPECT_TRUE(run());
    struct stat info {};
    ASSERT_EQ(::stat(backups.file("200612093015.fbk").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    size_t line = indexOf(anyoneMayWriteWarning(dir.file("open-mirror")));
    ASSERT_LT(line, monitor.size());
    EXPECT_EQ(monitor.paragraph(line).color, kRed);
    EXPECT_EQ(indexOf(anyoneMayWriteWarning(backups.path())), monitor.size());
}

TEST(BackupJobEmbedded, BacksUpThroughTheEmbeddedServiceManager) {
    const auto& server = theFirebirdServer();
    test::TempDir dir;
    AppPaths paths{dir.path(), dir.file("tervolen.ini")};
    withSettings(paths.settingsFile, [&](SettingsFile& s) {
        s.writeText("DIRECTORYS", "Base", dir.file("source.fdb"));
        s.writeText("DIRECTORYS", "BackUpDir", dir.file("backups"));
        s.writeText("VERBOSEMODE", "Verbose", "Checked");
    });
    // Embedded access locks the database file: other test programs must not share it.
    std::filesystem::copy_file(server.embeddedDatabase, dir.file("source.fdb"));
    HeadlessForm form;
    form.setText("CB_Protocol", "LOCAL");
    form.setText("ClientLibFilenameEdit", server.clientLibrary);
    form.setText("EdUserName", "SYSDBA");
    form.setText("CB_BkpExt", ".fbk");
    test::ScriptedDialogs dialogs;
    MonitorLog monitor;
    test::FixedClock clock;
    clock.set(2026, 12, 9, 10, 5);
    BackupService service("Backup", "FrmPrincipal");
    service.setLoginPrompt(false);
    std::string name;
    BackupJob job(JobContext{form, dialogs, monitor, paths, clock, [] {}, {}, {}}, service, name);
    EXPECT_TRUE(job.run(false));
    std::string file = dir.file("backups/202612090510.fbk");
    ASSERT_TRUE(fs::exists(file)) << monitor.paragraph(monitor.size() - 1).text;
    std::string output;
    EXPECT_EQ(test::runCommand("gbak -c -user SYSDBA " + file + " " + dir.file("restored.fdb"), &output), 0) << output;
}

} // namespace
} // namespace tervolen
