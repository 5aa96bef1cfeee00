// The restore job against the private Firebird server of the "firebird" fixture: the backup of the
// backup job restored and validated by the program's own jobs, the options and the failures, and the
// command-line tool's restore and validate commands.
#include "services/restore_job.h"

#include "connection_fields.h"
#include "core/headless_form.h"
#include "core/settings_file.h"
#include "firebird_server.h"
#include "fixed_clock.h"
#include "monitor_lines.h"
#include "scripted_dialogs.h"
#include "services/backup_job.h"
#include "services/validation_job.h"
#include "temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace tervolen {
namespace {

namespace fs = std::filesystem;
using test::theFirebirdServer;

// isql's output of a query on a database of the server.
std::string query(const std::string& database, const std::string& sql) {
    const test::FirebirdServer& server = theFirebirdServer();
    std::string output;
    test::TempDir scratch;
    test::writeFile(scratch.file("query.sql"), sql + "\n");
    int rc = test::runCommand("isql-fb -i " + scratch.file("query.sql") + " -q -user " + server.user + " -password " +
                                  server.password + " " + server.remotePath(database),
                              &output);
    EXPECT_EQ(rc, 0) << output;
    return output;
}

const char* const kCustomers = "SELECT ID, NAME, CITY FROM CUSTOMER ORDER BY ID;";

class RestoreJobTest : public ::testing::Test {
protected:
    void SetUp() override {
        server = &theFirebirdServer();
        clock.set(2006, 12, 9, 15, 30, 12);
        test::setConnectionFields(form, test::serverConnection(*server));
        form.setText("CB_BkpExt", ".fbk");
        form.setText("LabeledEdPageSize", "0");
        writeSettings(true);
        restore.setProtocol(Protocol::TCP);
        restore.options = {RestoreOption::CreateNewDB};
        restore.loginDialog = [this](LoginFields& fields) { return dialogs.login(fields); };
    }

    void writeSettings(bool verbose) {
        withSettings(paths.settingsFile, [&](SettingsFile& s) {
            s.writeText("DIRECTORYS", "Base", server->database);
            s.writeText("DIRECTORYS", "BackupDir", folder.path());
            s.writeText("VERBOSEMODE", "Verbose", verbose ? "Checked" : "");
        });
    }

    JobContext context() {
        return JobContext{form, dialogs, monitor, paths, clock, [] {}, {}, {}};
    }

    // A backup of the test database made by the backup job.
    std::string backUp() {
        BackupService backup("Backup", "FrmPrincipal");
        backup.setLoginPrompt(false);
        std::string name;
        EXPECT_TRUE(BackupJob(context(), backup, name).run(false));
        EXPECT_TRUE(fs::exists(folder.file(name))) << name;
        return folder.file(name);
    }

    // Answers the warning with Yes and the login dialog with the given password (none: cancel).
    void restoreInto(const std::string& backupFile, const std::string& target, int row,
                     std::optional<std::string> password) {
        form.setText("EditGBK", backupFile);
        form.setText("EditRestore", target);
        form.setItemIndex("clListaRestore", row);
        dialogs.answers.push_back(Dialogs::Answer::Yes);
        dialogs.logins.push_back(password ? std::optional(LoginFields{"", server->user, *password, ""}) : std::nullopt);
        RestoreJob(context(), restore).run();
    }

    std::vector<std::string> texts(size_t from = 0) const { return test::monitorTexts(monitor, from); }

    size_t indexOf(const std::string& text) const {
        for (size_t i = 0; i < monitor.size(); ++i)
            if (monitor.paragraph(i).text == text)
                return i;
        return monitor.size();
    }

    // The first line that begins with the text (the server ends its lines with a blank).
    size_t indexOfLineStarting(const std::string& text) const {
        for (size_t i = 0; i < monitor.size(); ++i)
            if (monitor.paragraph(i).text.starts_with(text))
                return i;
        return monitor.size();
    }

    bool hasRedLine() const {
        for (size_t i = 0; i < monitor.size(); ++i)
            if (monitor.paragraph(i).color == kRed)
                return true;
        return false;
    }

    // The text that follows the red 00026 line, its lines joined by "|".
    std::string restoreError() const {
        size_t line = indexOf("Error Code 00026 Internal System ");
        std::string text;
        for (size_t i = line + 1; i < monitor.size() && monitor.paragraph(i).color == kRed; ++i)
            text += monitor.paragraph(i).text + "|";
        return line < monitor.size() ? text : "no 00026 line";
    }

    const test::FirebirdServer* server = nullptr;
    test::TempDir dir;
    test::ServerFolder folder;
    AppPaths paths{dir.path(), dir.file("tervolen.ini")};
    HeadlessForm form;
    test::ScriptedDialogs dialogs;
    MonitorLog monitor;
    test::FixedClock clock;
    RestoreService restore{"Restore", "FrmPrincipal"};
};

TEST_F(RestoreJobTest, BackupRestoreAndValidationThroughTheProgramsJobs) {
    std::string backupFile = backUp();
    std::string target = folder.file("restored.fdb");
    restoreInto(backupFile, target, -1, server->password);
    EXPECT_FALSE(hasRedLine()) << restoreError();
    size_t started = indexOf("=========== Restore Started ===========");
    ASSERT_LT(started, monitor.size()) << "the backup's lines stay before the restore's";
    EXPECT_EQ(texts(0).front(), "=========== Started Backup ===========");
    EXPECT_EQ(texts(started + 1).front(), "Restore Started at 15:30:12 hours");
    EXPECT_LT(indexOfLineStarting("gbak:restoring data for table CUSTOMER"), monitor.size());
    size_t last = indexOfLineStarting("gbak:finishing, closing, and going home");
    ASSERT_LT(last, monitor.size());
    EXPECT_EQ(monitor.paragraph(last).color, kGreen) << "output lines take the start line's attributes";
    EXPECT_EQ(texts(monitor.size() - 2), (std::vector<std::string>{"", "=========== Restore Finished ========="}));
    EXPECT_FALSE(restore.active());
    EXPECT_EQ(query(target, kCustomers), query(server->database, kCustomers));
    EXPECT_EQ(dialogs.loginRequests.at(0).userName, server->user);

    ValidationService validation("Validation", "FrmPrincipal");
    validation.setProtocol(Protocol::TCP);
    validation.setLoginPrompt(false);
    form.setText("DBValidateEdit", target);
    form.setItemIndex("clListaValidation", 7);
    dialogs.answers.push_back(Dialogs::Answer::Yes);
    ValidationJob(context(), validation).run();
    EXPECT_EQ(texts(0).front(), "======== Validation Started ===========");
    EXPECT_EQ(texts(monitor.size() - 1), std::vector<std::string>{"======== Validation Finished ========="});
    EXPECT_FALSE(hasRedLine()) << texts().at(2);
    EXPECT_EQ(query(target, kCustomers), query(server->database, kCustomers));
}

TEST_F(RestoreJobTest, ReplaceRestoresOverAnExistingDatabaseAndCreateRefuses) {
    std::string backupFile = backUp();
    std::string target = folder.file("target.fdb");
    restoreInto(backupFile, target, 5, server->password);
    ASSERT_FALSE(hasRedLine()) << restoreError();
    query(target, "INSERT INTO CUSTOMER VALUES (4, 'Dora Reis', 'Faro'); COMMIT;");
    ASSERT_NE(query(target, kCustomers), query(server->database, kCustomers));

    monitor.clearMonitor();
    restoreInto(backupFile, target, 5, server->password);
    std::string error = restoreError();
    EXPECT_TRUE(error.starts_with("FrmPrincipal.Restore:|")) << error;
    EXPECT_NE(error.find("already exists"), std::string::npos) << error;
    EXPECT_EQ(indexOf("=========== Restore Finished ========="), monitor.size());
    EXPECT_FALSE(restore.active());
    EXPECT_NE(query(target, kCustomers).find("Dora Reis"), std::string::npos) << "the database was left alone";

    monitor.clearMonitor();
    restoreInto(backupFile, target, 4, server->password);
    EXPECT_FALSE(hasRedLine()) << restoreError();
    EXPECT_EQ(restore.options, RestoreOptions{RestoreOption::Replace});
    EXPECT_EQ(query(target, kCustomers), query(server->database, kCustomers));
}

TEST_F(RestoreJobTest, PageSizeAndQuietRestore) {
    std::string backupFile = backUp();
    writeSettings(false);
    form.setText("LabeledEdPageSize", "4096");
    std::string target = folder.file("small-pages.fdb");
    monitor.clearMonitor();
    restoreInto(backupFile, target, -1, server->password);
    ASSERT_FALSE(hasRedLine()) << restoreError();
    auto lines = texts();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[2], "No Status lines, Verbose mode is off!");
    EXPECT_EQ(lines.back(), "=========== Restore Finished =========");
    EXPECT_NE(query(target, "SELECT MON$PAGE_SIZE FROM MON$DATABASE;").find("4096"), std::string::npos);
    EXPECT_NE(query(server->database, "SELECT MON$PAGE_SIZE FROM MON$DATABASE;").find("8192"), std::string::npos);
    EXPECT_EQ(query(target, kCustomers), query(server->database, kCustomers));
}

TEST_F(RestoreJobTest, FailuresEndAsTheRedLine) {
    std::string backupFile = backUp();
    std::string target = folder.file("never.fdb");
    struct Case {
        const char* name;
        std::string backupFile;
        std::string pageSize;
        std::optional<std::string> password;
        std::string error; // a part of the text after the 00026 line
        size_t logins;
    };
    for (const Case& c :
         {Case{"wrong password", backupFile, "0", "wrong", "Your user name and password are not defined", 1},
          Case{"missing file", folder.file("missing.fbk"), "0", server->password, "missing.fbk", 1},
          Case{"page size abc", backupFile, "abc", server->password, "'abc' is not a valid integer value|", 0},
          Case{"cancelled login", backupFile, "0", std::nullopt, "Operation cancelled at user's request.|", 1}}) {
        monitor.clearMonitor();
        dialogs.loginRequests.clear();
        dialogs.logins.clear();
        form.setText("LabeledEdPageSize", c.pageSize);
        restoreInto(c.backupFile, target, 5, c.password);
        std::string error = restoreError();
        EXPECT_NE(error.find(c.error), std::string::npos) << c.name << ": " << error;
        EXPECT_EQ(dialogs.loginRequests.size(), c.logins) << c.name;
        EXPECT_EQ(indexOf("=========== Restore Finished ========="), monitor.size()) << c.name;
        EXPECT_FALSE(restore.active()) << c.name;
        EXPECT_FALSE(fs::exists(target)) << c.name;
        std::cout << c.name << ": " << error << "\n";
    }
}

// The command-line tool: restore and validate with the connection of the settings file.
TEST_F(RestoreJobTest, RestoreAndValidateFromTheCommandLine) {
    std::string backupFile = backUp();
    std::string target = folder.file("by-cli.fdb");
    withSettings(paths.settingsFile, [&](SettingsFile& s) {
        s.writeText("PROTOCOL", "Type", "TCP/IP");
        s.writeText("SERVERNAME", "Name", server->serverName());
        s.writeText("CLIENTLIB", "ClientLib", server->clientLibrary);
        s.writeText("USERNAME", "UserName", server->user);
        s.writeText("PASSWORD", "Pswd", server->password);
    });
    auto cli = [&](const std::string& arguments, std::string* output) {
        int status = test::runCommand(
            std::string(TERVOLEN_CLI) + " " + arguments + " --settings " + paths.settingsFile + " 2>&1", output);
        return status;
    };
    std::string output;
    EXPECT_EQ(cli("restore --backup " + backupFile + " --database " + target, &output), 0) << output;
    EXPECT_NE(output.find("gbak:finishing, closing, and going home"), std::string::npos) << output;
    EXPECT_NE(output.find("=========== Restore Finished ========="), std::string::npos) << output;
    EXPECT_EQ(query(target, kCustomers), query(server->database, kCustomers));

    EXPECT_EQ(cli("restore --backup " + backupFile + " --database " + target + " --option CreateNewDB", &output), 1)
        << output;
    EXPECT_NE(output.find("Error Code 00026 Internal System "), std::string::npos) << output;
    EXPECT_EQ(cli("restore --backup " + backupFile + " --database " + target + " --option Replace --page-size 16384",
                  &output),
              0)
        << output;
    EXPECT_NE(query(target, "SELECT MON$PAGE_SIZE FROM MON$DATABASE;").find("16384"), std::string::npos);
    EXPECT_EQ(cli("restore --backup " + backupFile + " --database " + target + " --option replace", &output), 2)
        << output;
    EXPECT_EQ(cli("restore --database " + target, &output), 2) << output;

    EXPECT_EQ(cli("validate --database " + target + " --option ValidateFull", &output), 0) << output;
    EXPECT_NE(output.find("======== Validation Finished ========="), std::string::npos) << output;
    EXPECT_EQ(cli("validate --database " + target + " --option ValidateDB --buffer-size abc", &output), 1) << output;
    EXPECT_NE(output.find("'abc' is not a valid integer value."), std::string::npos) << output;
    EXPECT_EQ(cli("validate --database " + folder.file("missing.fdb") + " --option ValidateDB", &output), 1) << output;
    EXPECT_NE(output.find("Error Code 00028 Internal System "), std::string::npos) << output;
    EXPECT_EQ(cli("validate --database " + target + " --option Nonsense", &output), 2) << output;
}

} // namespace
} // namespace tervolen
