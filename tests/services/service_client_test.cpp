// The service classes against a stand-in client library (fake_fbclient.cpp) that records every call:
// the client's own checks, the login step, error conversion and the answer handling. The real server
// is tested in firebird_service_test.cpp.
#include "services/service_client.h"

#include "fake_fbclient.h"
#include "fake_library.h"
#include "scripted_dialogs.h"
#include "services/service_errors.h"
#include "services/service_requests.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

namespace tervolen {
namespace {

using test::FakeClientState;

std::string bytes(std::initializer_list<int> bytes) {
    std::string result;
    for (int b : bytes)
        result.push_back(static_cast<char>(b));
    return result;
}

FakeClientState& fake() {
    static FakeClientState& state = test::loadedLibraryState<FakeClientState>(FAKE_FBCLIENT, "fake_fbclient_state");
    return state;
}

template <class Action> std::string clientErrorText(Action action) {
    try {
        action();
    } catch (const ClientError& error) {
        return error.text();
    }
    return "no error";
}

class ServiceClientTest : public ::testing::Test {
protected:
    void SetUp() override {
        fake().reset();
        backup.setProtocol(Protocol::TCP);
        backup.setLibraryName(FAKE_FBCLIENT);
        backup.setServerName("dbhost");
        backup.setLoginPrompt(false);
        backup.setParamValue("user_name", "SYSDBA");
        backup.setParamValue("password", "secret");
        backup.databaseName = "/d/db.fdb";
        backup.backupFile = {"/b/db.fbk"};
    }

    void startBackup() {
        backup.openServiceManager();
        backup.startAction();
    }

    BackupService backup{"Backup", "FrmPrincipal"};
};

TEST_F(ServiceClientTest, AttachSendsTheManagerNameAndTheParameterBuffer) {
    int attached = 0;
    backup.OnAttach = [&] { ++attached; };
    backup.openServiceManager();
    EXPECT_TRUE(backup.active());
    EXPECT_EQ(attached, 1);
    EXPECT_EQ(fake().serviceName, "dbhost:service_mgr");
    EXPECT_EQ(fake().attachParams, bytes({2, 2, 28, 6}) + "SYSDBA" + bytes({29, 6}) + "secret");
}

TEST_F(ServiceClientTest, NoUserAndNoPasswordGiveTheVersionBytesAlone) {
    backup.setParamValue("user_name", "");
    backup.setParamValue("password", "");
    backup.openServiceManager();
    EXPECT_EQ(fake().attachParams, bytes({2, 2}));
}

TEST_F(ServiceClientTest, LocalProtocolNeedsNoServerName) {
    backup.setProtocol(Protocol::Local);
    EXPECT_EQ(backup.serverName(), "");
    backup.openServiceManager();
    EXPECT_EQ(fake().serviceName, "service_mgr");
}

TEST_F(ServiceClientTest, MissingServerNameIsFoundBeforeTheLibraryIsLoaded) {
    backup.setLibraryName("/nonexistent/libfbclient.so.2");
    backup.setServerName("");
    EXPECT_EQ(clientErrorText([&] { backup.openServiceManager(); }), "Server Name Missing");
    backup.setServerName("dbhost");
    EXPECT_EQ(clientErrorText([&] { backup.openServiceManager(); }),
              "Can't load library /nonexistent/libfbclient.so.2 ");
}

TEST_F(ServiceClientTest, AttachParameterErrorsStopTheAttach) {
    backup.setParamValue("sys_user_name", "x");
    EXPECT_EQ(clientErrorText([&] { backup.openServiceManager(); }), "SPB Constant Not supported");
    EXPECT_TRUE(fake().calls.empty());
    backup.setParamValue("sys_user_name", "");
    backup.openServiceManager();
    EXPECT_TRUE(backup.active());
}

TEST_F(ServiceClientTest, PropertyGuardsWhileAttached) {
    const std::string attachedText = "Cannot perform operation -- service is attached";
    backup.openServiceManager();
    EXPECT_EQ(clientErrorText([&] { backup.openServiceManager(); }), attachedText);
    EXPECT_EQ(clientErrorText([&] { backup.setProtocol(Protocol::TCP); }), "no error");
    EXPECT_EQ(clientErrorText([&] { backup.setProtocol(Protocol::SPX); }), attachedText);
    EXPECT_EQ(backup.protocol(), Protocol::TCP);
    EXPECT_EQ(clientErrorText([&] { backup.setServerName("dbhost"); }), "no error");
    EXPECT_EQ(clientErrorText([&] { backup.setServerName("other"); }), attachedText);
    EXPECT_EQ(backup.serverName(), "dbhost");
    EXPECT_EQ(clientErrorText([&] { backup.setLibraryName(FAKE_FBCLIENT); }), attachedText);
    EXPECT_EQ(clientErrorText([&] { backup.setParamValue("password", "new"); }), attachedText);
    EXPECT_EQ(clientErrorText([&] { backup.setParams({}); }), attachedText);
    EXPECT_EQ(backup.params(), (std::vector<std::string>{"user_name=SYSDBA", "password=secret"}));
    backup.setActive(true);
    EXPECT_EQ(fake().calls, std::vector<std::string>{"attach"});
    backup.setActive(false);
    EXPECT_FALSE(backup.active());
    EXPECT_EQ(clientErrorText([&] { backup.closeServiceManager(); }),
              "Cannot perform operation -- service is not attached");
}

TEST_F(ServiceClientTest, LocalProtocolClearsTheServerName) {
    backup.setProtocol(Protocol::Local);
    EXPECT_EQ(backup.serverName(), "");
    backup.setServerName("dbhost");
    backup.setProtocol(Protocol::Local);
    EXPECT_EQ(backup.serverName(), "dbhost");
}

TEST_F(ServiceClientTest, ParamValuesReplaceAppendAndRemove) {
    backup.setParams({"USER_NAME=old", "sql_role_name=R"});
    backup.setParamValue("user_name", "new");
    backup.setParamValue("password", "pw");
    backup.setParamValue("sql_role_name", "");
    EXPECT_EQ(backup.params(), (std::vector<std::string>{"user_name=new", "password=pw"}));
}

TEST_F(ServiceClientTest, ChangedParamsAreSentAtTheNextAttach) {
    backup.openServiceManager();
    backup.closeServiceManager();
    backup.setParamValue("password", "");
    backup.openServiceManager();
    EXPECT_EQ(fake().attachParams, bytes({2, 2, 28, 6}) + "SYSDBA");
}

TEST_F(ServiceClientTest, OnLoginEditsACopyOfTheParams) {
    backup.setLoginPrompt(true);
    backup.OnLogin = [](std::vector<std::string>& params) {
        EXPECT_EQ(params.size(), 2u);
        params = {"user_name=EDITED"};
    };
    backup.openServiceManager();
    EXPECT_EQ(backup.params(), std::vector<std::string>{"user_name=EDITED"});
    EXPECT_EQ(fake().attachParams, bytes({2, 2, 28, 6}) + "EDITED");
}

TEST_F(ServiceClientTest, LoginDialogFillsAndWritesBackTheFields) {
    test::ScriptedDialogs dialogs;
    backup.setLoginPrompt(true);
    backup.loginDialog = [&](LoginFields& fields) { return dialogs.login(fields); };
    backup.setServerName("0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOP");
    backup.setParams({"isc_spb_sql_role_name=ADMIN", "user_name=SYSDBA", "password=old"});
    dialogs.logins.push_back(LoginFields{"", "ALICE", "pw", ""});
    backup.openServiceManager();

    ASSERT_EQ(dialogs.loginRequests.size(), 1u);
    const LoginFields& shown = dialogs.loginRequests[0];
    EXPECT_EQ(shown.database, "0123456789...jklmnopqrstuvwxyzABCDEFGHIJKLMNOP");
    EXPECT_EQ(shown.userName, "SYSDBA");
    EXPECT_EQ(shown.password, "");
    EXPECT_EQ(shown.role, "ADMIN");
    EXPECT_EQ(backup.params(), (std::vector<std::string>{"sql_role_name=", "user_name=ALICE", "password=pw"}));
    EXPECT_EQ(fake().attachParams, bytes({2, 2, 60, 0, 28, 5}) + "ALICE" + bytes({29, 2}) + "pw");
}

TEST_F(ServiceClientTest, ShortServerNamesAreShownWhole) {
    test::ScriptedDialogs dialogs;
    backup.setLoginPrompt(true);
    backup.loginDialog = [&](LoginFields& fields) { return dialogs.login(fields); };
    backup.setServerName(std::string(45, 's'));
    dialogs.logins.push_back(LoginFields{});
    backup.openServiceManager();
    EXPECT_EQ(dialogs.loginRequests.at(0).database, std::string(45, 's'));
}

TEST_F(ServiceClientTest, CancelledLoginDoesNotAttach) {
    test::ScriptedDialogs dialogs;
    backup.setLoginPrompt(true);
    backup.loginDialog = [&](LoginFields& fields) { return dialogs.login(fields); };
    dialogs.logins.push_back(std::nullopt);
    EXPECT_EQ(clientErrorText([&] { backup.openServiceManager(); }), "Operation cancelled at user's request.");
    EXPECT_TRUE(fake().calls.empty());
    EXPECT_FALSE(backup.active());
}

TEST_F(ServiceClientTest, ServerErrorCarriesPathNameSqlMessageAndServerMessages) {
    fake().failCalls = {"attach"};
    fake().sqlCode = -902;
    fake().sqlMessage = "Unsuccessful execution caused by a system error";
    fake().serverMessages = {"Your user name and password are not defined", "Ask your administrator."};
    try {
        backup.openServiceManager();
        FAIL() << "no error";
    } catch (const ServerError& error) {
        EXPECT_EQ(error.text(), "FrmPrincipal.Backup:\r\nUnsuccessful execution caused by a system error."
                                "Your user name and password are not defined.\r\nAsk your administrator.\r\n");
        EXPECT_EQ(error.sqlCode(), -902);
    }
    EXPECT_FALSE(backup.active());
}

TEST_F(ServiceClientTest, PathNameJoinsTheNamesThatExist) {
    EXPECT_EQ(backup.pathName(), "FrmPrincipal.Backup");
    EXPECT_EQ(ValidationService("Validation").pathName(), "Validation");
    EXPECT_EQ(ValidationService("", "FrmPrincipal").pathName(), "FrmPrincipal");
    RestoreService unnamed;
    unnamed.setLibraryName(FAKE_FBCLIENT);
    unnamed.setLoginPrompt(false);
    fake().failCalls = {"attach"};
    try {
        unnamed.openServiceManager();
        FAIL() << "no error";
    } catch (const ServerError& error) {
        EXPECT_EQ(error.text(), ":\r\n");
    }
}

TEST_F(ServiceClientTest, FailedDetachStillDetaches) {
    backup.openServiceManager();
    fake().failCalls = {"detach"};
    fake().serverMessages = {"connection lost"};
    try {
        backup.closeServiceManager();
        FAIL() << "no error";
    } catch (const ServerError& error) {
        EXPECT_EQ(error.text(), "FrmPrincipal.Backup:\r\nconnection lost.\r\n");
    }
    EXPECT_FALSE(backup.active());
}

TEST_F(ServiceClientTest, StartSendsTheBuiltRequestAndClearsIt) {
    startBackup();
    EXPECT_EQ(fake().startRequest,
              bytes({1, 106, 9, 0}) + "/d/db.fdb" + bytes({108, 0, 0, 0, 0, 5, 9, 0}) + "/b/db.fbk");
    EXPECT_TRUE(backup.startRequest().empty());
    EXPECT_EQ(backup.pendingAction(), 1);
}

TEST_F(ServiceClientTest, StartNeedsAnAttachedServiceBeforeBuilding) {
    EXPECT_EQ(clientErrorText([&] { backup.startAction(); }), "Cannot perform operation -- service is not attached");
    EXPECT_EQ(backup.pendingAction(), 0);
}

TEST_F(ServiceClientTest, StartRefusesAnEmptyRequest) {
    ControlService service;
    service.setLibraryName(FAKE_FBCLIENT);
    service.setLoginPrompt(false);
    service.openServiceManager();
    EXPECT_EQ(clientErrorText([&] { service.startAction(); }), "Start Parameters missing or incorrect");
    EXPECT_EQ(fake().calls, std::vector<std::string>{"attach"});
}

TEST_F(ServiceClientTest, StartRefusesARequestLongerThan65535Bytes) {
    backup.openServiceManager();
    // Action 1, database item 3 + n, options item 5, file item 3 + 9.
    backup.databaseName = std::string(65535 - 21, 'd');
    backup.backupFile = {"/b/db.fbk"};
    backup.startAction();
    EXPECT_EQ(fake().startRequest.size(), 65535u);
    backup.databaseName += 'd';
    EXPECT_EQ(clientErrorText([&] { backup.startAction(); }), "The start request is longer than 65535 bytes");
    EXPECT_EQ(fake().calls, (std::vector<std::string>{"attach", "start"}));
}

TEST_F(ServiceClientTest, FailedStartDetachesAndReportsTheStartError) {
    backup.openServiceManager();
    fake().failCalls = {"start", "detach"};
    fake().serverMessages = {"start refused"};
    try {
        backup.startAction();
        FAIL() << "no error";
    } catch (const ServerError& error) {
        EXPECT_EQ(error.text(), "FrmPrincipal.Backup:\r\nstart refused.\r\n");
    }
    EXPECT_FALSE(backup.active());
    EXPECT_TRUE(backup.startRequest().empty());
    EXPECT_EQ(fake().calls, (std::vector<std::string>{"attach", "start", "detach"}));
}

TEST_F(ServiceClientTest, OutputLinesUntilTheEmptyLine) {
    startBackup();
    fake().answers = {bytes({62, 5, 0}) + "first" + bytes({1}), bytes({62, 6, 0}) + "second" + bytes({1}),
                      bytes({62, 0, 0, 1})};
    EXPECT_EQ(backup.readOutputLine(), "first");
    EXPECT_FALSE(backup.outputEnded());
    EXPECT_EQ(backup.readOutputLine(), "second");
    EXPECT_EQ(backup.readOutputLine(), "");
    EXPECT_TRUE(backup.outputEnded());
    EXPECT_EQ(fake().queryItems, bytes({62}));
    EXPECT_EQ(fake().bufferLength, 32000u);
    size_t calls = fake().calls.size();
    EXPECT_EQ(backup.readOutputLine(), "");
    EXPECT_EQ(fake().calls.size(), calls);
}

TEST_F(ServiceClientTest, OutputBeforeAnyRequestIsRefused) {
    backup.openServiceManager();
    EXPECT_EQ(clientErrorText([&] { backup.readOutputLine(); }), "Query Parameters missing or incorrect");
}

TEST_F(ServiceClientTest, AnswerRunningPastTheBufferIsRefused) {
    backup.setBufferSize(8);
    startBackup();
    fake().answers = {bytes({62, 10, 0}) + "12345678901" + bytes({1})};
    EXPECT_EQ(clientErrorText([&] { backup.readOutputLine(); }), "Unexpected Output buffer value");
    EXPECT_EQ(fake().bufferLength, 8u);
}

TEST_F(ServiceClientTest, TextNotifyGetsEveryLine) {
    std::vector<std::string> lines;
    backup.OnTextNotify = [&](const std::string& line) { lines.push_back(line); };
    fake().answers = {bytes({62, 1, 0, 'a', 1}), bytes({62, 1, 0, 'b', 1}), bytes({62, 0, 0, 1})};
    startBackup();
    EXPECT_EQ(lines, (std::vector<std::string>{"a", "b"}));
    EXPECT_TRUE(backup.outputEnded());
}

TEST_F(ServiceClientTest, QueryRunning) {
    backup.openServiceManager();
    fake().answers = {bytes({67, 1, 0, 0, 0, 1}), bytes({67, 0, 0, 0, 0, 1}), bytes({62, 0, 0, 1, 0})};
    EXPECT_TRUE(backup.queryRunning());
    EXPECT_EQ(fake().queryItems, bytes({67}));
    EXPECT_FALSE(backup.queryRunning());
    EXPECT_EQ(clientErrorText([&] { backup.queryRunning(); }), "Unexpected Output buffer value");
}

TEST_F(ServiceClientTest, FailedQueryDetaches) {
    startBackup();
    fake().failCalls = {"query"};
    EXPECT_THROW(backup.readOutputLine(), ServerError);
    EXPECT_FALSE(backup.active());
    EXPECT_EQ(fake().calls, (std::vector<std::string>{"attach", "start", "query", "detach"}));
}

TEST_F(ServiceClientTest, BufferSizeOutsideTheApiRangeIsRefused) {
    for (int size : {0, -1, 65536}) {
        EXPECT_EQ(clientErrorText([&] { backup.setBufferSize(size); }),
                  "The output buffer size must be between 1 and 65535 bytes, not " + std::to_string(size));
        EXPECT_EQ(backup.bufferSize(), 32000);
    }
    backup.setBufferSize(65535);
    startBackup();
    fake().answers = {bytes({62, 0, 0, 1})};
    backup.readOutputLine();
    EXPECT_EQ(fake().bufferLength, 65535u);
    backup.setBufferSize(1);
    EXPECT_EQ(backup.bufferSize(), 1);
}

TEST_F(ServiceClientTest, DestructionDetachesAnAttachedService) {
    {
        ValidationService validation("Validation", "FrmPrincipal");
        validation.setLibraryName(FAKE_FBCLIENT);
        validation.setLoginPrompt(false);
        validation.openServiceManager();
    }
    EXPECT_EQ(fake().calls, (std::vector<std::string>{"attach", "detach"}));
}

TEST_F(ServiceClientTest, NewLibraryNameBindsTheNewLibrary) {
    backup.openServiceManager();
    backup.closeServiceManager();
    backup.setLibraryName(FAKE_FBCLIENT_BASIC);
    EXPECT_EQ(clientErrorText([&] { backup.openServiceManager(); }),
              std::string("Can't find procedure isc_service_attach in ") + FAKE_FBCLIENT_BASIC);
    backup.setLibraryName(FAKE_FBCLIENT);
    backup.openServiceManager();
    EXPECT_TRUE(backup.active());
}

TEST(ServiceDefaults, InitialValues) {
    BackupService backup;
    EXPECT_EQ(backup.protocol(), Protocol::Local);
    EXPECT_EQ(backup.libraryName(), "libfbclient.so.2");
    EXPECT_TRUE(backup.loginPrompt());
    EXPECT_FALSE(backup.active());
    EXPECT_EQ(backup.bufferSize(), 32000);
    EXPECT_EQ(backup.pendingAction(), 0);
    EXPECT_FALSE(backup.outputEnded());
    EXPECT_FALSE(backup.verbose);
    EXPECT_EQ(backup.blockingFactor, 0);
}

} // namespace
} // namespace tervolen
