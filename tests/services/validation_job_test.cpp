// The validation job against the private Firebird server of the "firebird" fixture, on private copies of
// the test database made with the server's gbak.
#include "services/validation_job.h"

#include "connection_fields.h"
#include "core/headless_form.h"
#include "firebird_server.h"
#include "fixed_clock.h"
#include "monitor_lines.h"
#include "scripted_dialogs.h"
#include "temp_dir.h"
#include "test_config.h"

#include <fstream>
#include <gtest/gtest.h>
#include <regex>
#include <sstream>
#include <sys/stat.h>

namespace tervolen {
namespace {

using test::theFirebirdServer;

class ValidationJobTest : public ::testing::Test {
protected:
    void SetUp() override {
        server = &theFirebirdServer();
        clock.set(2006, 12, 9, 15, 30, 12);
        test::setConnectionFields(form, test::serverConnection(*server));
        validation.setProtocol(Protocol::TCP);
        validation.setLoginPrompt(false);
        copy = folder.file("copy.fdb");
        std::string auth = " -user " + server->user + " -password " + server->password + " -se " +
                           server->serverName() + ":service_mgr ";
        std::string output;
        ASSERT_EQ(test::runCommand("gbak -b" + auth + server->database + " " + folder.file("copy.fbk") + " && gbak -c" +
                                       auth + folder.file("copy.fbk") + " " + copy,
                                   &output),
                  0)
            << output;
        form.setText("DBValidateEdit", copy);
    }

    void run(int row) {
        form.setItemIndex("clListaValidation", row);
        dialogs.answers.push_back(Dialogs::Answer::Yes);
        ValidationJob(JobContext{form, dialogs, monitor, paths, clock, [this] { ++eventRounds; }, {}, {}}, validation)
            .run();
    }

    std::vector<std::string> texts() const { return test::monitorTexts(monitor); }

    // The lines from the red line of the code on, joined by "|".
    std::string errorText(const std::string& code) const {
        std::string text;
        bool found = false;
        for (size_t i = 0; i < monitor.size(); ++i) {
            const MonitorParagraph& line = monitor.paragraph(i);
            found = found || line.text == "Error Code " + code + " Internal System ";
            if (found && line.color == kRed)
                text += line.text + "|";
        }
        return found ? text : "no " + code + " line";
    }

    // "Oldest transaction" (the oldest interesting one) or another number of the copy's header page, as the server's
    // fbstat -h gives it; -1 when not found.
    long headerNumber(const std::string& field) const {
        std::string output;
        const std::string auth = " -user " + server->user + " -password " + server->password + " ";
        if (test::runCommand("fbstat -h" + auth + server->remotePath(copy), &output) != 0)
            return -1;
        std::istringstream lines(output);
        for (std::string line; std::getline(lines, line);) {
            const size_t at = line.find(field);
            if (at != std::string::npos)
                return std::stol(line.substr(at + field.size()));
        }
        return -1;
    }

    // Rolls back a change made without an undo log: the server cannot undo it and marks the transaction dead, so
    // the oldest interesting transaction stays behind until a sweep.
    void leaveADeadTransaction() const {
        test::writeFile(dir.file("dead.sql"),
                        "COMMIT;\nSET TRANSACTION NO AUTO UNDO;\nUPDATE CUSTOMER SET NAME = NAME;\nROLLBACK;\n");
        std::string output;
        ASSERT_EQ(test::runCommand("isql-fb -q -bail -user " + server->user + " -password " + server->password +
                                       " -i " + dir.file("dead.sql") + " " + server->remotePath(copy),
                                   &output),
                  0)
            << output;
    }

    std::string isql(const std::string& database, const std::string& statements) const {
        test::writeFile(dir.file("statements.sql"), statements);
        std::string output;
        EXPECT_EQ(test::runCommand("isql-fb -q -bail -user " + server->user + " -password " + server->password +
                                       " -i " + dir.file("statements.sql") + " " + server->remotePath(database),
                                   &output),
                  0)
            << output;
        return output;
    }

    // Leaves a transaction that wrote into each of the databases prepared, with nobody left to end it; the
    // number is the one in the first database.
    std::string leaveALimboTransaction(const std::vector<std::string>& databases) const {
        std::string command = std::string(test::kLimboTransaction) + " " + server->clientLibrary + " " +
                              server->user + " " + server->password;
        for (const std::string& database : databases)
            command += " " + server->remotePath(database);
        std::string output;
        EXPECT_EQ(test::runCommand(command, &output), 0) << output;
        return output.substr(0, output.find('\n'));
    }

    // The lines of gfix -list that name a transaction in limbo.
    std::vector<std::string> gfixLimboLines() const {
        std::string output;
        test::runCommand("gfix -list -user " + server->user + " -password " + server->password + " " +
                             server->remotePath(copy) + " </dev/null",
                         &output);
        std::vector<std::string> lines;
        std::istringstream stream(output);
        for (std::string line; std::getline(stream, line);)
            if (std::regex_match(line, std::regex("Transaction [0-9]+ is in limbo\\.")))
                lines.push_back(line);
        return lines;
    }

    const test::FirebirdServer* server = nullptr;
    test::TempDir dir;
    test::ServerFolder folder;
    std::string copy;
    AppPaths paths{dir.path(), dir.file("tervolen.ini")};
    HeadlessForm form;
    test::ScriptedDialogs dialogs;
    MonitorLog monitor;
    test::FixedClock clock;
    int eventRounds = 0;
    ValidationService validation{"Validation", "FrmPrincipal"};
};

TEST_F(ValidationJobTest, EveryRowTheServerAcceptsValidatesAHealthyDatabase) {
    // CheckDB alone (row 1) is a switch combination that the server refuses; see below.
    for (int row : {0, 2, 3, 4, 5, 6, 7}) {
        monitor.addMonitorLine("earlier", kNavy, kMonitorLineSize);
        eventRounds = 0;
        run(row);
        auto lines = texts();
        SCOPED_TRACE(form.itemText("clListaValidation", row));
        ASSERT_GE(lines.size(), 4u);
        EXPECT_EQ(lines[0], "======== Validation Started ===========");
        EXPECT_EQ(lines[1], "Validation Started at 15:30:12 hours");
        EXPECT_EQ(lines.back(), "======== Validation Finished =========");
        EXPECT_EQ(lines[lines.size() - 2], "") << "the empty last output line";
        EXPECT_EQ(eventRounds, static_cast<int>(lines.size()) - 3);
        EXPECT_EQ(errorText("00028"), "no 00028 line");
        EXPECT_FALSE(validation.active());
    }
}

TEST_F(ValidationJobTest, SweepDBMovesTheOldestInterestingTransactionPastADeadOne) {
    ASSERT_NO_FATAL_FAILURE(leaveADeadTransaction());
    const long oldestBefore = headerNumber("Oldest transaction");
    const long activeBefore = headerNumber("Oldest active");
    ASSERT_GE(oldestBefore, 0);
    ASSERT_LT(oldestBefore, activeBefore) << "no dead transaction held the oldest interesting one back";
    run(5);
    EXPECT_EQ(errorText("00028"), "no 00028 line");
    EXPECT_GE(headerNumber("Oldest transaction"), activeBefore);
}

// The rows other than SweepDB leave the dead transaction where it is.
TEST_F(ValidationJobTest, ValidateDBDoesNotSweep) {
    ASSERT_NO_FATAL_FAILURE(leaveADeadTransaction());
    const long oldestBefore = headerNumber("Oldest transaction");
    ASSERT_GE(oldestBefore, 0);
    run(6);
    EXPECT_EQ(errorText("00028"), "no 00028 line");
    EXPECT_EQ(headerNumber("Oldest transaction"), oldestBefore);
}

// LimboTransactions (row 0) lists what gfix -list lists, one line per transaction in limbo.
TEST_F(ValidationJobTest, LimboTransactionsListsTheTransactionsThatGfixLists) {
    isql(copy, "CREATE TABLE LIMBO_ROW (ID INTEGER);\nCOMMIT;\n");
    run(0);
    EXPECT_TRUE(gfixLimboLines().empty());
    EXPECT_EQ(texts(), (std::vector<std::string>{"======== Validation Started ===========",
                                                 "Validation Started at 15:30:12 hours", "",
                                                 "======== Validation Finished ========="}));

    const std::vector<std::string> numbers{leaveALimboTransaction({copy}), leaveALimboTransaction({copy})};
    const std::vector<std::string> listed = gfixLimboLines();
    ASSERT_EQ(listed, (std::vector<std::string>{"Transaction " + numbers[0] + " is in limbo.",
                                                "Transaction " + numbers[1] + " is in limbo."}));
    run(0);
    EXPECT_EQ(texts(), (std::vector<std::string>{"======== Validation Started ===========",
                                                 "Validation Started at 15:30:12 hours", listed[0], listed[1], "",
                                                 "======== Validation Finished ========="}));
    EXPECT_EQ(errorText("00028"), "no 00028 line");
    EXPECT_EQ(gfixLimboLines(), listed) << "listing resolves nothing";
}

// A transaction over two databases attached through the network names the other database by that path, which the
// server cannot reattach on its own to describe the transaction: the refusal names the transaction.
TEST_F(ValidationJobTest, LimboTransactionsOfTwoDatabasesGivesTheServersRefusal) {
    const std::string other = folder.file("other.fdb");
    isql(copy, "CREATE TABLE LIMBO_ROW (ID INTEGER);\nCOMMIT;\n");
    std::string output;
    ASSERT_EQ(test::runCommand("echo \"CREATE DATABASE '" + server->remotePath(other) +
                                   "'; CREATE TABLE LIMBO_ROW (ID INTEGER); COMMIT;\" | isql-fb -q -bail -user " +
                                   server->user + " -password " + server->password,
                               &output),
              0)
        << output;
    const std::string number = leaveALimboTransaction({copy, other});
    ASSERT_EQ(gfixLimboLines(), std::vector<std::string>{"Transaction " + number + " is in limbo."});
    monitor.addMonitorLine("earlier", kNavy, kMonitorLineSize);
    run(0);
    const std::string error = errorText("00028");
    EXPECT_NE(error.find("Could not reattach to database for transaction " + number + ".|"), std::string::npos)
        << error;
    std::cout << "Two databases: " << error << "\n";
}

TEST_F(ValidationJobTest, TheServerRefusesCheckDBAloneAndARequestWithoutOptions) {
    for (int row : {1, -1}) {
        monitor.clearMonitor();
        monitor.addMonitorLine("earlier", kNavy, kMonitorLineSize);
        validation.options.clear();
        run(row);
        std::string error = errorText("00028");
        EXPECT_TRUE(error.starts_with("Error Code 00028 Internal System |FrmPrincipal.Validation:|")) << error;
        // Firebird 3 words this refusal in more than one way from run to run.
        EXPECT_TRUE(error.find("please retry, specifying an option.") != std::string::npos ||
                    error.find("incompatible switch combination.") != std::string::npos)
            << error;
        EXPECT_FALSE(validation.active());
        std::cout << "Row " << row << ": " << error << "\n";
    }
}

// The server checks the database before it takes the request, so its summary is the refusal.
TEST_F(ValidationJobTest, ADamagedDatabaseGivesTheServersSummary) {
    // A data page of CUSTOMER that claims another page type.
    {
        std::fstream file(copy, std::ios::in | std::ios::out | std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        size_t row = bytes.find("Bruno Costa");
        ASSERT_NE(row, std::string::npos);
        const size_t pageSize = 8192;
        ASSERT_EQ(bytes[row / pageSize * pageSize], 5) << "a data page";
        file.seekp(static_cast<std::streamoff>(row / pageSize * pageSize));
        file.put(9);
    }
    monitor.addMonitorLine("earlier", kNavy, kMonitorLineSize);
    run(7);
    std::string error = errorText("00028");
    EXPECT_TRUE(error.starts_with("Error Code 00028 Internal System |FrmPrincipal.Validation:|")) << error;
    EXPECT_NE(error.find("Summary of validation errors."), std::string::npos) << error;
    EXPECT_EQ(texts().front(), "earlier");
    std::cout << "Damaged database: " << error << "\n";
}

TEST_F(ValidationJobTest, ConnectionAndDatabaseFailures) {
    struct Case {
        const char* name;
        std::string password;
        std::string database;
        const char* code;
        const char* error;
    };
    for (const Case& c :
         {Case{"wrong password", "wrong", copy, "00027", "Your user name and password are not defined"},
          Case{"missing file", server->password, folder.file("missing.fdb"), "00028", "missing.fdb"},
          Case{"empty field", server->password, "", "00028", "Start Parameters missing or incorrect"}}) {
        monitor.clearMonitor();
        monitor.addMonitorLine("earlier", kNavy, kMonitorLineSize);
        form.setText("EdPswd", c.password);
        form.setText("DBValidateEdit", c.database);
        run(6);
        std::string error = errorText(c.code);
        EXPECT_NE(error.find(c.error), std::string::npos) << c.name << ": " << error;
        EXPECT_EQ(texts().front(), "earlier") << c.name << ": the Monitor is cleared only for an accepted request";
        EXPECT_FALSE(validation.active()) << c.name;
        std::cout << c.name << ": " << error << "\n";
    }
}

} // namespace
} // namespace tervolen
