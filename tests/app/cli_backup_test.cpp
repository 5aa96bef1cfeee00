// tervolen-cli backup as cron or systemd would run it: against the private Firebird server and through
// embedded access, with its exit codes.
#include "core/settings_file.h"
#include "firebird_server.h"
#include "temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace tervolen {
namespace {

namespace fs = std::filesystem;

class CliBackupTest : public ::testing::Test {
protected:
    void writeSettings(const std::string& protocol, const std::string& server, const std::string& database,
                       const std::string& password) {
        withSettings(dir.file("tervolen.ini"), [&](SettingsFile& s) {
            s.writeText("DIRECTORYS", "Base", database);
            s.writeText("DIRECTORYS", "BackUpDir", backups.path());
            s.writeText("VERBOSEMODE", "Verbose", "Checked");
            s.writeText("PROTOCOL", "Type", protocol);
            s.writeText("SERVERNAME", "Name", server);
            s.writeText("CLIENTLIB", "ClientLib", "libfbclient.so.2");
            s.writeText("USERNAME", "UserName", "SYSDBA");
            s.writeText("PASSWORD", "Pswd", password);
            s.writeText("BKPEXT", "Ext", ".fbk");
            s.writeText("COMPRESSION", "Checked", "0");
        });
    }

    int cli(const std::string& arguments, std::string* output) {
        return test::runCommand(std::string(TERVOLEN_CLI) + " " + arguments, output);
    }

    std::string onlyBackup() const {
        std::vector<std::string> files;
        for (const auto& entry : fs::directory_iterator(backups.path()))
            files.push_back(entry.path().string());
        EXPECT_EQ(files.size(), 1u);
        return files.empty() ? "" : files.front();
    }

    const test::FirebirdServer& server = test::theFirebirdServer();
    test::TempDir dir;
    test::ServerFolder backups;
};

TEST_F(CliBackupTest, BacksUpThroughTheServerAndTheBackupRestores) {
    writeSettings("TCP/IP", server.serverName(), server.database, server.password);
    std::string output;
    ASSERT_EQ(cli("backup --settings " + dir.file("tervolen.ini") + " --option 'Ignore Limbo'", &output), 0) << output;
    EXPECT_NE(output.find("=========== Backup Finished ========"), std::string::npos) << output;
    EXPECT_NE(output.find("gbak:"), std::string::npos);
    std::string restore;
    EXPECT_EQ(test::runCommand("gbak -c -user " + server.user + " -password " + server.password + " " + onlyBackup() +
                                   " " + server.remotePath(backups.file("restored.fdb")),
                               &restore),
              0)
        << restore;
}

TEST_F(CliBackupTest, BacksUpThroughEmbeddedAccess) {
    fs::copy_file(server.embeddedDatabase, dir.file("source.fdb"));
    writeSettings("LOCAL", "", dir.file("source.fdb"), "");
    std::string output;
    ASSERT_EQ(cli("backup --settings " + dir.file("tervolen.ini"), &output), 0) << output;
    std::string restore;
    EXPECT_EQ(test::runCommand("gbak -c -user SYSDBA " + onlyBackup() + " " + dir.file("restored.fdb"), &restore), 0)
        << restore;
}

TEST_F(CliBackupTest, ExitCodes) {
    writeSettings("TCP/IP", server.serverName(), server.database, "wrong");
    std::string output;
    EXPECT_EQ(cli("backup --settings " + dir.file("tervolen.ini"), &output), 1) << output;
    EXPECT_NE(output.find("Error Code 0001 Internal System "), std::string::npos) << output;
    EXPECT_EQ(cli("backup --settings " + dir.file("tervolen.ini") + " --option 'No Such Row'", &output), 2);
    EXPECT_EQ(cli("backup --bogus", &output), 2);
    EXPECT_EQ(cli("", &output), 2);
    EXPECT_EQ(cli("--version", &output), 0);
    EXPECT_EQ(output.rfind("tervolen-cli ", 0), 0u);
    EXPECT_EQ(cli("--help", &output), 0);
}

} // namespace
} // namespace tervolen
