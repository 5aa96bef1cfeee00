// The restore and validation jobs against a stand-in client library (fake_fbclient.cpp) that records every
// call: the request bytes each form gives, the order of the steps, and what reaches the Monitor. The real
// server is tested in restore_job_test.cpp and validation_job_test.cpp.
#include "app/program.h"
#include "connection_fields.h"
#include "core/headless_form.h"
#include "core/settings_file.h"
#include "fake_fbclient.h"
#include "fake_library.h"
#include "fixed_clock.h"
#include "monitor_lines.h"
#include "scripted_dialogs.h"
#include "services/restore_job.h"
#include "services/validation_job.h"
#include "temp_dir.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

namespace tervolen {
namespace {

using test::FakeClientState;
using Calls = std::vector<std::string>;

FakeClientState& fake() {
    static FakeClientState& state = test::loadedLibraryState<FakeClientState>(FAKE_FBCLIENT, "fake_fbclient_state");
    return state;
}

std::string bytes(std::initializer_list<int> bytes) {
    std::string result;
    for (int b : bytes)
        result.push_back(static_cast<char>(b));
    return result;
}

// A number item: tag and the value as 4 bytes little-endian.
std::string number(int tag, unsigned value) {
    return bytes({tag, static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                  static_cast<int>((value >> 16) & 0xFF), static_cast<int>(value >> 24)});
}

// A text item: tag, length as 2 bytes little-endian, the text.
std::string textItem(int tag, const std::string& text) {
    return bytes({tag, static_cast<int>(text.size() & 0xFF), static_cast<int>(text.size() >> 8)}) + text;
}

// The answer to an output line query; an empty text ends the output.
std::string lineAnswer(const std::string& text) {
    return textItem(62, text) + bytes({1});
}

class JobRequestTest : public ::testing::Test {
protected:
    void SetUp() override {
        fake().reset();
        clock.set(2006, 12, 9, 15, 30, 12);
        test::setConnectionFields(form, {"TCP/IP", "dbhost", FAKE_FBCLIENT, "SYSDBA", "secret"});
        form.setText("EditGBK", "/b/db.fbk");
        form.setText("EditRestore", "/d/new.fdb");
        form.setText("LabeledEdPageSize", "0");
        form.setText("DBValidateEdit", "/d/db.fdb");
        writeVerbose(true);
        restore.setProtocol(Protocol::TCP);
        restore.options = {RestoreOption::CreateNewDB};
        restore.loginDialog = [this](LoginFields& fields) { return dialogs.login(fields); };
        validation.setProtocol(Protocol::TCP);
        validation.setLoginPrompt(false);
    }

    void writeVerbose(bool verbose) {
        withSettings(paths.settingsFile,
                     [&](SettingsFile& s) { s.writeText("VERBOSEMODE", "Verbose", verbose ? "Checked" : ""); });
    }

    // Queues the Yes to the warning, the login and the server's output lines (then the end of the output).
    void script(const std::vector<std::string>& lines, bool login = true) {
        dialogs.answers.push_back(Dialogs::Answer::Yes);
        if (login)
            dialogs.logins.push_back(LoginFields{"", "SYSDBA", "typed", ""});
        for (const std::string& line : lines)
            fake().answers.push_back(lineAnswer(line));
        fake().answers.push_back(lineAnswer(""));
    }

    JobContext context() {
        return JobContext{form, dialogs, monitor, paths, clock, [this] { ++eventRounds; }, {}, {}};
    }
    void runRestore() { RestoreJob(context(), restore).run(); }
    void runValidation() { ValidationJob(context(), validation).run(); }

    std::vector<std::string> texts() const { return test::monitorTexts(monitor); }

    test::TempDir dir;
    AppPaths paths{dir.path(), dir.file("tervolen.ini")};
    HeadlessForm form;
    test::ScriptedDialogs dialogs;
    MonitorLog monitor;
    test::FixedClock clock;
    int eventRounds = 0;
    RestoreService restore{"Restore", "FrmPrincipal"};
    ValidationService validation{"Validation", "FrmPrincipal"};
};

// Restore: options word, verbose item and page size item, then the backup file and the database.
struct RestoreCase {
    const char* name;
    int row;
    const char* pageSize;
    bool verbose;
    std::string expected;
};

void PrintTo(const RestoreCase& c, std::ostream* out) {
    *out << c.name;
}

class RestoreRequestTest : public JobRequestTest, public ::testing::WithParamInterface<RestoreCase> {};

TEST_P(RestoreRequestTest, TheFormGivesTheRequest) {
    const RestoreCase& c = GetParam();
    form.setItemIndex("clListaRestore", c.row);
    form.setText("LabeledEdPageSize", c.pageSize);
    writeVerbose(c.verbose);
    script({});
    runRestore();
    EXPECT_EQ(fake().startRequest, c.expected);
    EXPECT_EQ(fake().calls, (Calls{"attach", "start", "query", "detach"}));
    EXPECT_EQ(monitor.paragraph(monitor.size() - 1).text, "=========== Restore Finished =========");
}

const std::string kFiles = textItem(5, "/b/db.fbk") + textItem(106, "/d/new.fdb");

INSTANTIATE_TEST_SUITE_P(
    Rows, RestoreRequestTest,
    ::testing::Values(RestoreCase{"Replace", 4, "0", true, bytes({2}) + number(108, 0x1000) + bytes({107}) + kFiles},
                      RestoreCase{"NoRow", -1, "0", true, bytes({2}) + number(108, 0x2000) + bytes({107}) + kFiles},
                      RestoreCase{"PageSize4096", 5, "4096", true,
                                  bytes({2}) + number(108, 0x2000) + bytes({107}) + number(10, 4096) + kFiles},
                      RestoreCase{"NotVerbose", 0, "0", false, bytes({2}) + number(108, 0x0100) + kFiles},
                      RestoreCase{"NoShadowFiles", 1, "0", false, bytes({2}) + number(108, 0x0200) + kFiles},
                      RestoreCase{"NoValidityCheck", 2, "0", false, bytes({2}) + number(108, 0x0400) + kFiles},
                      RestoreCase{"OneRelationAtATime", 3, "0", false, bytes({2}) + number(108, 0x0800) + kFiles},
                      RestoreCase{"UseAllSpace", 6, "0", false, bytes({2}) + number(108, 0x4000) + kFiles}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(JobRequestTest, ARestoreFollowsTheMonitorAndShowsTheServersLines) {
    monitor.addMonitorLine("an earlier backup line", kNavy, kMonitorLineSize);
    script({"gbak:opened file /b/db.fbk", "gbak:finishing, closing, and going home"});
    runRestore();
    EXPECT_EQ(texts(), (std::vector<std::string>{"an earlier backup line", "=========== Restore Started ===========",
                                                 "Restore Started at 15:30:12 hours", "gbak:opened file /b/db.fbk",
                                                 "gbak:finishing, closing, and going home", "",
                                                 "=========== Restore Finished ========="}));
    EXPECT_EQ(monitor.paragraph(1).color, kFuchsia);
    EXPECT_EQ(monitor.paragraph(2).color, kGreen);
    EXPECT_EQ(monitor.paragraph(3).color, kGreen) << "output lines take the start line's attributes";
    EXPECT_EQ(monitor.paragraph(6).color, kFuchsia);
    EXPECT_EQ(eventRounds, 3) << "the window processes events after each output line";
    EXPECT_EQ(form.activePage(), static_cast<int>(Page::Monitor));
    EXPECT_EQ(dialogs.texts("yesno"),
              std::vector<std::string>{"Warning|Its Strongly recomended you disconectall users and Shutdown from your "
                                       "database before proceed, Restore backups covering online databases can "
                                       "corrupt it do you want to continue?"});
    EXPECT_FALSE(restore.active());
}

TEST_F(JobRequestTest, ARestoreWithoutVerboseSaysSoAfterTheBanners) {
    writeVerbose(false);
    script({});
    runRestore();
    auto lines = texts();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[2], "No Status lines, Verbose mode is off!");
    EXPECT_EQ(monitor.paragraph(2).color, kNavy);
    EXPECT_EQ(monitor.paragraph(2).size, kMonitorLineSize);
}

TEST_F(JobRequestTest, ARestoreWithoutARowKeepsThePreviousOption) {
    form.setItemIndex("clListaRestore", 4);
    script({});
    runRestore();
    form.setItemIndex("clListaRestore", -1);
    script({});
    runRestore();
    EXPECT_EQ(restore.options, RestoreOptions{RestoreOption::Replace});
    EXPECT_EQ(fake().startRequest.substr(0, 6), bytes({2}) + number(108, 0x1000));
}

TEST_F(JobRequestTest, TheRestoreLoginIsAskedAtEveryAttachWithTheUserName) {
    script({});
    runRestore();
    script({});
    runRestore();
    ASSERT_EQ(dialogs.loginRequests.size(), 2u);
    for (const LoginFields& fields : dialogs.loginRequests) {
        EXPECT_EQ(fields.database, "dbhost");
        EXPECT_EQ(fields.userName, "SYSDBA");
        EXPECT_EQ(fields.password, "") << "the password field starts empty";
    }
    EXPECT_EQ(fake().attachParams, bytes({2, 2, 28, 6}) + "SYSDBA" + bytes({29, 5}) + "typed" + bytes({60, 0}));
}

TEST_F(JobRequestTest, TheRestoreFollowsTheProtocolField) {
    struct Case {
        const char* protocolText;
        const char* serviceName;
    };
    // A text that names no protocol keeps the one of the run before.
    for (const Case& c : {Case{"NetBEUI", "\\\\dbhost\\service_mgr"}, Case{"nonsense", "\\\\dbhost\\service_mgr"},
                          Case{"LOCAL", "service_mgr"}, Case{"Novell IPX/SPX", "dbhost@service_mgr"},
                          Case{"TCP/IP", "dbhost:service_mgr"}}) {
        form.setText("CB_Protocol", c.protocolText);
        form.setText("EdServerName", "dbhost");
        script({});
        runRestore();
        EXPECT_EQ(fake().serviceName, c.serviceName) << c.protocolText;
    }
    EXPECT_TRUE(dialogs.texts("message").empty());
}

TEST_F(JobRequestTest, RestoreFailuresBeforeTheServerAreTheRedLine) {
    struct Case {
        const char* pageSize;
        const char* serverName;
        bool cancelLogin;
        const char* error;
    };
    for (const Case& c : {Case{"", "dbhost", false, "'' is not a valid integer value"},
                          Case{"abc", "dbhost", false, "'abc' is not a valid integer value"},
                          Case{"0", "", false, "Server Name Missing"},
                          Case{"0", "dbhost", true, "Operation cancelled at user's request."}}) {
        fake().reset();
        monitor.clearMonitor();
        dialogs.loginRequests.clear();
        form.setText("LabeledEdPageSize", c.pageSize);
        form.setText("EdServerName", c.serverName);
        dialogs.answers.push_back(Dialogs::Answer::Yes);
        dialogs.logins.push_back(std::nullopt);
        runRestore();
        dialogs.logins.clear();
        EXPECT_EQ(texts(), (std::vector<std::string>{"Error Code 00026 Internal System ", c.error})) << c.error;
        EXPECT_EQ(monitor.paragraph(0).color, kRed);
        EXPECT_EQ(monitor.paragraph(1).color, kRed);
        EXPECT_TRUE(fake().calls.empty()) << c.error;
        EXPECT_EQ(dialogs.loginRequests.size(), c.cancelLogin ? 1u : 0u) << c.error;
    }
}

TEST_F(JobRequestTest, RestoreFailuresAtTheServerAreTheRedLineAndDetach) {
    struct Case {
        const char* failingCall;
        Calls calls;
        size_t banners; // lines before the error
    };
    for (const Case& c : {Case{"attach", {"attach"}, 0}, Case{"start", {"attach", "start", "detach"}, 0},
                          Case{"query", {"attach", "start", "query", "detach"}, 2},
                          Case{"detach", {"attach", "start", "query", "detach"}, 4}}) {
        fake().reset();
        monitor.clearMonitor();
        fake().failCalls = {c.failingCall};
        fake().sqlCode = -902;
        fake().serverMessages = {"the server says no"};
        script({});
        runRestore();
        auto lines = texts();
        // The server's text ends with a line break, which leaves an empty last paragraph.
        ASSERT_EQ(lines.size(), c.banners + 4) << c.failingCall;
        EXPECT_EQ(lines[c.banners], "Error Code 00026 Internal System ");
        EXPECT_EQ(lines[c.banners + 1], "FrmPrincipal.Restore:") << c.failingCall;
        EXPECT_EQ(lines[c.banners + 2], "the server says no.");
        EXPECT_EQ(fake().calls, c.calls) << c.failingCall;
        EXPECT_FALSE(restore.active());
    }
}

TEST_F(JobRequestTest, NoToTheRestoreWarningDoesNothing) {
    monitor.addMonitorLine("kept", kNavy, kMonitorLineSize);
    dialogs.answers.push_back(Dialogs::Answer::No);
    runRestore();
    EXPECT_EQ(texts(), std::vector<std::string>{"kept"});
    EXPECT_TRUE(fake().calls.empty());
    EXPECT_EQ(form.activePage(), static_cast<int>(Page::Schedule));
    EXPECT_EQ(dialogs.shown.size(), 1u);
}

// Validation: the repair request holds the database item and zero, one or two options items.
struct ValidationCase {
    int row;
    std::string options; // the items after the database item
};

void PrintTo(const ValidationCase& c, std::ostream* out) {
    *out << "row " << c.row;
}

class ValidationRequestTest : public JobRequestTest, public ::testing::WithParamInterface<ValidationCase> {};

TEST_P(ValidationRequestTest, TheRowGivesTheOptionsItems) {
    form.setItemIndex("clListaValidation", GetParam().row);
    script({}, false);
    runValidation();
    EXPECT_EQ(fake().startRequest, bytes({3}) + textItem(106, "/d/db.fdb") + GetParam().options);
    EXPECT_EQ(fake().calls, (Calls{"attach", "start", "query", "detach"}));
}

INSTANTIATE_TEST_SUITE_P(Rows, ValidationRequestTest,
                         ::testing::Values(ValidationCase{-1, ""}, ValidationCase{0, number(108, 0x08)},
                                           ValidationCase{1, number(108, 0x10)}, ValidationCase{2, number(108, 0x20)},
                                           ValidationCase{3, number(108, 0x40)}, ValidationCase{4, number(108, 0x04)},
                                           ValidationCase{5, number(108, 0x02)}, ValidationCase{6, number(108, 0x01)},
                                           ValidationCase{7, number(108, 0x81)}),
                         [](const auto& info) {
                             int row = info.param.row;
                             return row < 0 ? std::string("NoRow") : HeadlessForm().itemText("clListaValidation", row);
                         });

TEST_F(JobRequestTest, AValidationClearsTheMonitorOnceTheServerTookTheRequest) {
    monitor.addMonitorLine("an earlier line", kNavy, kMonitorLineSize);
    form.setItemIndex("clListaValidation", 7);
    script({"Summary of validation errors", "more"}, false);
    runValidation();
    EXPECT_EQ(texts(), (std::vector<std::string>{
                           "======== Validation Started ===========", "Validation Started at 15:30:12 hours",
                           "Summary of validation errors", "more", "", "======== Validation Finished ========="}));
    EXPECT_EQ(monitor.paragraph(0).color, kFuchsia);
    EXPECT_EQ(monitor.paragraph(2).color, kGreen);
    EXPECT_EQ(monitor.paragraph(5).color, kFuchsia);
    EXPECT_EQ(eventRounds, 3);
    EXPECT_EQ(fake().bufferLength, 32000u);
    EXPECT_EQ(form.activePage(), static_cast<int>(Page::Monitor));
    EXPECT_EQ(dialogs.texts("yesno"), std::vector<std::string>{"Warning|Its Strongly recomended you disconectall "
                                                               "users from your database before proceed, do you "
                                                               "want to continue?"});
    EXPECT_TRUE(dialogs.texts("login").empty());
    EXPECT_FALSE(validation.active());
}

TEST_F(JobRequestTest, ValidationFailuresKeepTheEarlierMonitorLines) {
    struct Case {
        const char* failingCall;
        const char* database;
        const char* code;
        const char* error;
        Calls calls;
    };
    for (const Case& c :
         {Case{"attach", "/d/db.fdb", "00027", "FrmPrincipal.Validation:", {"attach"}},
          Case{"start", "/d/db.fdb", "00028", "FrmPrincipal.Validation:", {"attach", "start", "detach"}},
          Case{"", "", "00028", "Start Parameters missing or incorrect", {"attach", "detach"}}}) {
        fake().reset();
        monitor.clearMonitor();
        monitor.addMonitorLine("earlier", kNavy, kMonitorLineSize);
        if (*c.failingCall)
            fake().failCalls = {c.failingCall};
        fake().serverMessages = {"refused"};
        form.setText("DBValidateEdit", c.database);
        form.setItemIndex("clListaValidation", 6);
        script({}, false);
        runValidation();
        auto lines = texts();
        ASSERT_GE(lines.size(), 3u) << c.code;
        EXPECT_EQ(lines[0], "earlier");
        EXPECT_EQ(lines[1], std::string("Error Code ") + c.code + " Internal System ");
        EXPECT_EQ(lines[2], c.error);
        EXPECT_EQ(monitor.paragraph(1).color, kRed);
        EXPECT_EQ(fake().calls, c.calls) << c.code;
        EXPECT_FALSE(validation.active());
    }
}

TEST_F(JobRequestTest, ValidationProtocolAndBufferSize) {
    form.setItemIndex("clListaValidation", 6);
    form.setText("CB_Protocol", "NetBEUI");
    form.setText("EdServerName", "DBHOST");
    form.setText("ValidateBufferEdit", "1000");
    script({"a line"}, false);
    runValidation();
    EXPECT_EQ(fake().serviceName, "\\\\DBHOST\\service_mgr");
    EXPECT_EQ(fake().bufferLength, 1000u);

    form.setText("CB_Protocol", "tcp/ip");
    script({}, false);
    runValidation();
    EXPECT_EQ(fake().serviceName, "\\\\DBHOST\\service_mgr") << "no match keeps the protocol";
    EXPECT_TRUE(dialogs.texts("message").empty());
}

TEST_F(JobRequestTest, ABadBufferSizeEscapesBeforeAnyContact) {
    struct Case {
        const char* text;
        const char* error;
    };
    for (const Case& c :
         {Case{"abc", "'abc' is not a valid integer value"}, Case{"", "'' is not a valid integer value"},
          Case{"0", "The output buffer size must be between 1 and 65535 bytes, not 0"},
          Case{"65536", "The output buffer size must be between 1 and 65535 bytes, not 65536"},
          Case{"-5", "The output buffer size must be between 1 and 65535 bytes, not -5"}}) {
        fake().reset();
        monitor.clearMonitor();
        monitor.addMonitorLine("earlier", kNavy, kMonitorLineSize);
        form.setText("ValidateBufferEdit", c.text);
        dialogs.answers.push_back(Dialogs::Answer::Yes);
        try {
            runValidation();
            ADD_FAILURE() << "no error for " << c.text;
        } catch (const std::exception& e) {
            EXPECT_EQ(std::string(e.what()), c.error);
        }
        EXPECT_TRUE(fake().calls.empty()) << c.text;
        EXPECT_EQ(texts(), std::vector<std::string>{"earlier"}) << c.text;
    }
    EXPECT_EQ(validation.bufferSize(), 32000);
}

TEST_F(JobRequestTest, AFailedFinalDetachEscapesTheValidation) {
    form.setItemIndex("clListaValidation", 6);
    fake().failCalls = {"detach"};
    fake().serverMessages = {"lost"};
    script({}, false);
    EXPECT_THROW(runValidation(), ServerError);
    EXPECT_EQ(texts().back(), "======== Validation Finished =========");
    EXPECT_FALSE(validation.active());
}

TEST_F(JobRequestTest, NoToTheValidationWarningDoesNothing) {
    form.setText("ValidateBufferEdit", "abc");
    dialogs.answers.push_back(Dialogs::Answer::No);
    runValidation();
    EXPECT_TRUE(fake().calls.empty());
    EXPECT_TRUE(monitor.empty());
    EXPECT_EQ(form.activePage(), static_cast<int>(Page::Schedule));
}

// The program's buttons: the services' initial settings, the one-job rule and the default error report.
class ProgramJobTest : public JobRequestTest {
protected:
    Program& program(ProcessEvents processEvents) {
        program_ = std::make_unique<Program>(form, dialogs, monitor, paths, clock, std::move(processEvents),
                                             Program::Options{false, {}, {}, {}, {}});
        return *program_;
    }

    std::unique_ptr<Program> program_;
};

TEST_F(ProgramJobTest, TheButtonsStartTheJobsWithTheInitialServiceSettings) {
    program([] {});
    script({});
    form.click("InitRestore");
    EXPECT_EQ(fake().startRequest, bytes({2}) + number(108, 0x2000) + bytes({107}) + kFiles);
    EXPECT_EQ(fake().serviceName, "dbhost:service_mgr");
    EXPECT_EQ(dialogs.texts("login").size(), 1u);

    form.setItemIndex("clListaValidation", 5);
    script({}, false);
    form.click("JvTranspValidation");
    EXPECT_EQ(fake().startRequest, bytes({3}) + textItem(106, "/d/db.fdb") + number(108, 0x02));
    EXPECT_EQ(dialogs.texts("login").size(), 1u) << "the validation asks for no login";
    EXPECT_TRUE(dialogs.texts("error").empty());
}

TEST_F(ProgramJobTest, AJobIsRefusedWhileAnotherRuns) {
    bool clicked = false;
    program([&] {
        if (!clicked) {
            clicked = true;
            form.click("JvTranspValidation");
            form.click("InitRestore");
        }
    });
    script({"one line"});
    form.click("InitRestore");
    EXPECT_EQ(dialogs.texts("message"), (std::vector<std::string>{Program::kJobRunning, Program::kJobRunning}));
    EXPECT_EQ(dialogs.texts("yesno").size(), 1u) << "a refused job asks nothing";
    EXPECT_EQ(fake().calls, (Calls{"attach", "start", "query", "query", "detach"}));

    script({}, false);
    form.setItemIndex("clListaValidation", 6);
    form.click("JvTranspValidation");
    EXPECT_EQ(dialogs.texts("message").size(), 2u) << "the guard is released after the job";
    EXPECT_EQ(texts().back(), "======== Validation Finished =========");
}

TEST_F(ProgramJobTest, ABadBufferSizeGoesToTheDefaultErrorReport) {
    program([] {});
    form.setText("ValidateBufferEdit", "abc");
    dialogs.answers.push_back(Dialogs::Answer::Yes);
    form.click("JvTranspValidation");
    EXPECT_EQ(dialogs.texts("error"), std::vector<std::string>{"'abc' is not a valid integer value."});
    EXPECT_TRUE(monitor.empty());
    EXPECT_TRUE(fake().calls.empty());

    form.setText("ValidateBufferEdit", "32000");
    form.setItemIndex("clListaValidation", 6);
    script({}, false);
    form.click("JvTranspValidation");
    EXPECT_EQ(texts().back(), "======== Validation Finished =========") << "the guard was released";
}

} // namespace
} // namespace tervolen
