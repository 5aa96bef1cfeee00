// The Services API client against the real Firebird 3 server of the "firebird" fixture
// (tests/support/firebird/start-server) and its client library libfbclient.so.2.
#include "services/service_requests.h"

#include "firebird_server.h"
#include "scripted_dialogs.h"
#include "services/service_errors.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <thread>

namespace tervolen {
namespace {

using test::FirebirdServer;
using test::ServerFolder;
using test::theFirebirdServer;

// The connection as the program's jobs set it up: TCP, server name, library, user and password.
template <class Service> void connectToServer(Service& service, const FirebirdServer& server) {
    service.setProtocol(Protocol::TCP);
    service.setLibraryName(server.clientLibrary);
    service.setServerName(server.serverName());
    service.setParamValue("user_name", server.user);
    service.setParamValue("password", server.password);
}

std::vector<std::string> readAllOutput(QueryService& service) {
    std::vector<std::string> lines;
    for (std::string line = service.readOutputLine(); !service.outputEnded(); line = service.readOutputLine())
        lines.push_back(line);
    return lines;
}

bool contains(const std::vector<std::string>& lines, const std::string& part) {
    for (const std::string& line : lines)
        if (line.find(part) != std::string::npos)
            return true;
    return false;
}

void waitUntilStopped(QueryService& service) {
    for (int poll = 0; poll < 600 && service.queryRunning(); ++poll)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(service.queryRunning());
}

// Runs a backup of the test database through the client; returns the server's output lines.
std::vector<std::string> backUp(const std::string& backupFile) {
    BackupService backup("Backup", "FrmPrincipal");
    backup.setLoginPrompt(false);
    connectToServer(backup, theFirebirdServer());
    backup.databaseName = theFirebirdServer().database;
    backup.backupFile = {backupFile};
    backup.verbose = true;
    backup.openServiceManager();
    backup.startAction();
    std::vector<std::string> lines = readAllOutput(backup);
    waitUntilStopped(backup);
    backup.closeServiceManager();
    return lines;
}

// Established TCP connections of this process to the server's port.
int connectionsToServer() {
    std::set<std::string> sockets;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", ec)) {
        std::string target = std::filesystem::read_symlink(entry.path(), ec).string();
        if (target.starts_with("socket:["))
            sockets.insert(target.substr(8, target.size() - 9));
    }
    char remote[16];
    std::snprintf(remote, sizeof remote, ":%04X", theFirebirdServer().port);
    std::ifstream table("/proc/self/net/tcp");
    std::string line;
    std::getline(table, line);
    int count = 0;
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string slot, local, peer, state, queues, timer, retransmits, uid, timeout, inode;
        fields >> slot >> local >> peer >> state >> queues >> timer >> retransmits >> uid >> timeout >> inode;
        if (peer.ends_with(remote) && state == "01" && sockets.contains(inode))
            ++count;
    }
    return count;
}

std::string countCustomers(const std::string& database) {
    const FirebirdServer& server = theFirebirdServer();
    std::string output;
    int status = test::runCommand("echo 'select count(*) from customer;' | isql-fb -q -user " + server.user +
                                      " -password " + server.password + " '" + server.remotePath(database) + "'",
                                  &output);
    EXPECT_EQ(status, 0) << output;
    return output;
}

TEST(FirebirdServices, BackupWithVerboseOutput) {
    ServerFolder folder;
    std::vector<std::string> lines = backUp(folder.file("test.fbk"));
    ASSERT_GT(lines.size(), 5u);
    EXPECT_TRUE(contains(lines, "gbak:readied database " + theFirebirdServer().database + " for backup"));
    EXPECT_TRUE(contains(lines, "writing data for table CUSTOMER"));
    EXPECT_TRUE(contains(lines, "gbak:3 records written"));
    EXPECT_TRUE(contains(lines, "gbak:closing file, committing, and finishing."));
    EXPECT_GT(std::filesystem::file_size(folder.file("test.fbk")), 0u);
}

TEST(FirebirdServices, BackupOfTheClientRestoresWithTheServersGbak) {
    const FirebirdServer& server = theFirebirdServer();
    ServerFolder folder;
    backUp(folder.file("test.fbk"));
    std::string output;
    int status = test::runCommand("gbak -c -user " + server.user + " -password " + server.password + " -se " +
                                      server.serverName() + ":service_mgr " + folder.file("test.fbk") + " " +
                                      folder.file("by-gbak.fdb"),
                                  &output);
    ASSERT_EQ(status, 0) << output;
    EXPECT_NE(countCustomers(folder.file("by-gbak.fdb")).find(" 3"), std::string::npos);
}

TEST(FirebirdServices, OutputStaysEndedAndTheServiceStops) {
    const FirebirdServer& server = theFirebirdServer();
    ServerFolder folder;
    BackupService backup("Backup", "FrmPrincipal");
    backup.setLoginPrompt(false);
    connectToServer(backup, server);
    backup.databaseName = server.database;
    backup.backupFile = {folder.file("quiet.fbk")};
    backup.openServiceManager();
    backup.startAction();
    std::vector<std::string> lines = readAllOutput(backup);
    EXPECT_TRUE(lines.empty()) << lines.front();
    EXPECT_EQ(backup.readOutputLine(), "");
    waitUntilStopped(backup);
    backup.closeServiceManager();
    EXPECT_TRUE(std::filesystem::exists(folder.file("quiet.fbk")));
}

TEST(FirebirdServices, WrongPasswordGivesTheServersText) {
    BackupService backup("Backup", "FrmPrincipal");
    backup.setLoginPrompt(false);
    connectToServer(backup, theFirebirdServer());
    backup.setParamValue("password", "wrong");
    try {
        backup.openServiceManager();
        FAIL() << "attached with a wrong password";
    } catch (const ServerError& error) {
        EXPECT_EQ(error.text(), "FrmPrincipal.Backup:\r\n" + error.sqlMessage() + error.serverMessages());
        EXPECT_NE(error.serverMessages().find("Your user name and password are not defined."), std::string::npos)
            << error.text();
        EXPECT_TRUE(error.serverMessages().ends_with(".\r\n")) << error.text();
        EXPECT_EQ(error.sqlCode(), -902);
        std::cout << "Wrong password: " << error.text() << "\n";
    }
    EXPECT_FALSE(backup.active());
}

TEST(FirebirdServices, ServerNameAndLibraryChecks) {
    BackupService backup("Backup", "FrmPrincipal");
    backup.setLoginPrompt(false);
    connectToServer(backup, theFirebirdServer());
    backup.setServerName("");
    backup.setLibraryName("/nonexistent/libfbclient.so.2");
    try {
        backup.openServiceManager();
        FAIL() << "no error";
    } catch (const ClientError& error) {
        EXPECT_EQ(error.text(), "Server Name Missing");
    }
    backup.setServerName(theFirebirdServer().serverName());
    try {
        backup.openServiceManager();
        FAIL() << "no error";
    } catch (const ClientError& error) {
        EXPECT_EQ(error.text(), "Can't load library /nonexistent/libfbclient.so.2 ");
    }
}

TEST(FirebirdServices, RestoreRequestWithTheLoginDialog) {
    const FirebirdServer& server = theFirebirdServer();
    ServerFolder folder;
    backUp(folder.file("test.fbk"));

    test::ScriptedDialogs dialogs;
    dialogs.logins.push_back(LoginFields{"", server.user, server.password, ""});
    RestoreService restore("Restore", "FrmPrincipal");
    restore.setProtocol(Protocol::TCP);
    restore.setLibraryName(server.clientLibrary);
    restore.setServerName(server.serverName());
    restore.loginDialog = [&](LoginFields& fields) { return dialogs.login(fields); };
    restore.options = {RestoreOption::CreateNewDB};
    restore.verbose = true;
    restore.backupFile = {folder.file("test.fbk")};
    restore.databaseName = {folder.file("restored.fdb")};
    restore.openServiceManager();
    restore.startAction();
    std::vector<std::string> lines = readAllOutput(restore);
    waitUntilStopped(restore);
    restore.closeServiceManager();

    EXPECT_EQ(dialogs.loginRequests.at(0).database, server.serverName());
    EXPECT_TRUE(contains(lines, "restoring data for table CUSTOMER")) << lines.size();
    EXPECT_TRUE(contains(lines, "gbak:finishing, closing, and going home")) << lines.size();
    EXPECT_NE(countCustomers(folder.file("restored.fdb")).find(" 3"), std::string::npos);
}

TEST(FirebirdServices, RestoreOverAnExistingDatabaseIsTheServersError) {
    const FirebirdServer& server = theFirebirdServer();
    ServerFolder folder;
    backUp(folder.file("test.fbk"));
    RestoreService restore("Restore", "FrmPrincipal");
    restore.setLoginPrompt(false);
    connectToServer(restore, server);
    restore.options = {RestoreOption::CreateNewDB};
    restore.backupFile = {folder.file("test.fbk")};
    restore.databaseName = {server.database};
    restore.openServiceManager();
    EXPECT_EQ(connectionsToServer(), 1);
    try {
        restore.startAction();
        readAllOutput(restore);
        FAIL() << "restored over the test database";
    } catch (const ServerError& error) {
        EXPECT_TRUE(error.text().starts_with("FrmPrincipal.Restore:\r\n")) << error.text();
        EXPECT_NE(error.text().find("already exists"), std::string::npos) << error.text();
        std::cout << "Restore over an existing database: " << error.text() << "\n";
    }
    EXPECT_FALSE(restore.active());
    EXPECT_EQ(connectionsToServer(), 0);
}

TEST(FirebirdServices, RepairRequests) {
    const FirebirdServer& server = theFirebirdServer();
    ServerFolder folder;
    std::string output;
    // A private copy: validation needs the database to itself.
    backUp(folder.file("test.fbk"));
    ASSERT_EQ(test::runCommand("gbak -c -user " + server.user + " -password " + server.password + " -se " +
                                   server.serverName() + ":service_mgr " + folder.file("test.fbk") + " " +
                                   folder.file("repair.fdb"),
                               &output),
              0)
        << output;

    auto repair = [&](const ValidationOptions& options) {
        ValidationService validation("Validation", "FrmPrincipal");
        validation.setLoginPrompt(false);
        connectToServer(validation, server);
        validation.databaseName = folder.file("repair.fdb");
        validation.options = options;
        validation.openServiceManager();
        validation.startAction();
        std::vector<std::string> lines = readAllOutput(validation);
        validation.closeServiceManager();
        return lines;
    };
    using O = ValidationOption;
    for (const ValidationOptions& options :
         {ValidationOptions{O::ValidateFull}, ValidationOptions{O::ValidateFull, O::MendDB}, ValidationOptions{O::SweepDB},
          ValidationOptions{O::CheckDB, O::ValidateDB}, ValidationOptions{O::LimboTransactions}}) {
        std::vector<std::string> lines = repair(options);
        EXPECT_FALSE(contains(lines, "rror")) << lines.size() << " lines, the first: " << lines.at(0);
    }
    // A repair request without options items is the server's to refuse.
    try {
        repair({});
        FAIL() << "repaired without options";
    } catch (const ServerError& error) {
        EXPECT_TRUE(error.text().starts_with("FrmPrincipal.Validation:\r\n")) << error.text();
        std::cout << "Repair without options: " << error.text() << "\n";
    }
    EXPECT_NE(countCustomers(folder.file("repair.fdb")).find(" 3"), std::string::npos);
}

TEST(FirebirdServices, RepairOfAMissingDatabaseIsTheServersError) {
    ValidationService validation("Validation", "FrmPrincipal");
    validation.setLoginPrompt(false);
    connectToServer(validation, theFirebirdServer());
    validation.databaseName = theFirebirdServer().workDir + "/missing.fdb";
    validation.options = {ValidationOption::ValidateDB};
    validation.openServiceManager();
    try {
        validation.startAction();
        readAllOutput(validation);
        FAIL() << "validated a missing database";
    } catch (const ServerError& error) {
        EXPECT_TRUE(error.text().starts_with("FrmPrincipal.Validation:\r\n")) << error.text();
        std::cout << "Repair of a missing database: " << error.text() << "\n";
    }
}

TEST(FirebirdServices, EmbeddedServiceManagerWithoutServer) {
    const FirebirdServer& server = theFirebirdServer();
    ServerFolder folder;
    BackupService backup("Backup", "FrmPrincipal");
    backup.setLoginPrompt(false);
    backup.setProtocol(Protocol::Local);
    backup.setLibraryName(server.clientLibrary);
    backup.setParamValue("user_name", server.user);
    backup.databaseName = server.embeddedDatabase;
    backup.backupFile = {folder.file("embedded.fbk")};
    backup.verbose = true;
    backup.openServiceManager();
    backup.startAction();
    std::vector<std::string> lines = readAllOutput(backup);
    waitUntilStopped(backup);
    backup.closeServiceManager();
    EXPECT_TRUE(contains(lines, "writing data for table ITEM"));
    EXPECT_TRUE(std::filesystem::exists(folder.file("embedded.fbk")));
}

} // namespace
} // namespace tervolen
