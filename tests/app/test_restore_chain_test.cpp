// The test restore in the backup chain against the real Firebird engine (embedded access): a good backup passes
// and is handed on; one damaged after the engine wrote it (cut short, bytes flipped in the middle) fails, is not
// handed on, fails the run and is reported by e-mail (at aiosmtpd) and to the command. The temporary database is
// gone after each case, also after tervolen-cli was killed in the middle of its restore.
#include "app/program.h"
#include "child_process.h"
#include "core/headless_form.h"
#include "core/run_journal.h"
#include "core/settings_file.h"
#include "embedded_program_test.h"
#include "firebird_server.h"
#include "fixed_clock.h"
#include "monitor_lines.h"
#include "scripted_dialogs.h"
#include "services/test_restore.h"
#include "smtp_sink.h"
#include "temp_dir.h"
#include "test_config.h"

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace tervolen {
namespace {

namespace fs = std::filesystem;

enum class Damage { None, CutShort, FlippedBytes };

void damage(const std::string& path, Damage kind) {
    std::string bytes = test::readFile(path);
    // The engine pads the last block with zeros: the middle is that of what comes before them.
    const std::size_t middle = (bytes.find_last_not_of('\0') + 1) / 2;
    if (kind == Damage::CutShort)
        bytes.resize(middle);
    if (kind == Damage::FlippedBytes)
        for (std::size_t i = middle - 8; i < middle + 8; ++i)
            bytes[i] = static_cast<char>(bytes[i] ^ 0xff);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// Damages the new backup once the engine has written it and before the test restore reads it.
class DamageBeforeTestRestore : public MonitorListener {
public:
    DamageBeforeTestRestore(MonitorLog& monitor, std::string folder, Damage kind)
        : monitor_(monitor), folder_(std::move(folder)), kind_(kind), subscription_(monitor.addListener(*this)) {}
    void paragraphsAppended(std::size_t count) override {
        for (std::size_t i = monitor_.size() - count; i < monitor_.size(); ++i)
            if (monitor_.paragraph(i).text.find("Test Restore Started") != std::string::npos && kind_ != Damage::None)
                for (const auto& entry : fs::directory_iterator(folder_))
                    if (entry.path().extension() == ".fbk")
                        damage(entry.path().string(), kind_);
    }

private:
    MonitorLog& monitor_;
    std::string folder_;
    Damage kind_;
    MonitorLog::Subscription subscription_;
};

class TestRestoreChainTest : public test::EmbeddedProgramTest {
protected:
    void SetUp() override {
        clock.set(2026, 12, 9, 15, 30, 12);
        EmbeddedProgramTest::SetUp();
        form.setChecked("ChkBoxVerifyRestore", true);
        fs::create_directories(dir.file("verify"));
        form.setText("EdVerifyFolder", dir.file("verify"));
    }
};

class DamagedBackupTest : public TestRestoreChainTest, public ::testing::WithParamInterface<Damage> {
protected:
    // Failure reports to aiosmtpd, and a command that keeps the result it was given.
    void setAlerts() {
        form.setChecked("ChkBoxMailOnFailure", true);
        form.setText("ledHost", "127.0.0.1");
        form.setText("EdSMTPPort", std::to_string(sink.port()));
        form.setText("ledFrom", "backup@example.com");
        form.setText("ledTo", "dba@example.com");
        const std::string script = dir.file("alert.sh");
        test::writeFile(script, "#!/bin/sh\necho \"$TERVOLEN_RESULT\" > '" + dir.file("alerted") + "'\n");
        ::chmod(script.c_str(), 0700);
        form.setText("EdAlertCommand", script);
    }

    std::string inspectReport() const {
        std::string output;
        EXPECT_EQ(test::runCommand(std::string(test::kPython3) + " " + test::kSourceDir +
                                       "/tests/support/mail_inspect.py --subject '" + sink.messagePath(1, ".eml") + "'",
                                   &output),
                  0)
            << output;
        return output;
    }

    test::TempDir mail;
    test::SmtpSink sink{mail.path()};
};

std::string damageName(const ::testing::TestParamInfo<Damage>& info) {
    const char* const names[] = {"Good", "CutShort", "FlippedBytes"};
    return names[static_cast<int>(info.param)];
}

TEST_P(DamagedBackupTest, OnlyABackupThatRestoresAndValidatesIsHandedOn) {
    const Damage kind = GetParam();
    DamageBeforeTestRestore damager(monitor, dir.file("backups"), kind);
    setAlerts();
    program->runBackup(true);
    const std::vector<std::string> texts = test::monitorTexts(monitor);
    const std::vector<RunRecord> journal = readRunJournal(dir.file("tervolen.journal"));
    ASSERT_EQ(journal.size(), 1u);
    EXPECT_TRUE(test::listing(dir.file("verify")).empty()) << "the test database stayed";
    ASSERT_TRUE(journal[0].verified.has_value());
    EXPECT_EQ(*journal[0].verified, kind == Damage::None);
    EXPECT_EQ(journal[0].result, kind == Damage::None ? "ok" : "failed");
    EXPECT_EQ(fs::exists(dir.file("backups/202612093015.zip")), kind == Damage::None);
    EXPECT_TRUE(fs::exists(dir.file("backups/202612093015.fbk")));
    const bool passedLine = std::find(texts.begin(), texts.end(), "Test restore passed in 0 s") != texts.end();
    EXPECT_EQ(passedLine, kind == Damage::None) << testing::PrintToString(texts);
    EXPECT_EQ(monitor.led(), kind == Damage::None) << "the lamp is lit only for a backup that restores";
    if (kind != Damage::None) {
        EXPECT_FALSE(journal[0].error.empty());
        bool redFailure = false;
        for (std::size_t i = 0; i < monitor.size(); ++i)
            redFailure = redFailure || (monitor.paragraph(i).color == kRed &&
                                        monitor.paragraph(i).text.find("failed its test restore") != std::string::npos);
        EXPECT_TRUE(redFailure) << testing::PrintToString(texts);
        const std::string report = inspectReport();
        EXPECT_NE(report.find("subject: \"Tervolen: backup FAILED on "), std::string::npos) << report;
        EXPECT_NE(report.find("failed its test restore"), std::string::npos) << report;
    }
    EXPECT_EQ(fs::exists(sink.messagePath(1, ".eml")), kind != Damage::None);
    EXPECT_EQ(test::readFile(dir.file("alerted")), kind == Damage::None ? "ok\n" : "failed\n");
}

INSTANTIATE_TEST_SUITE_P(Backups, DamagedBackupTest,
                         ::testing::Values(Damage::None, Damage::CutShort, Damage::FlippedBytes), damageName);

// A test database left by a killed run (its process has ended) goes at the next run; one of a live process
// other than this one, a link of that name and other hidden files stay.
TEST_F(TestRestoreChainTest, TheNextRunSweepsTheTestDatabasesOfEndedRuns) {
    const pid_t ended = ::fork();
    if (ended == 0)
        ::_exit(0);
    ASSERT_GT(ended, 0);
    ::waitpid(ended, nullptr, 0);
    const std::string stale = ".tervolen-verify-20261209153012-" + std::to_string(ended) + ".fdb";
    const std::string live = ".tervolen-verify-20261209153012-1.fdb";
    const std::string link = ".tervolen-verify-20261209153013-" + std::to_string(ended) + ".fdb";
    for (const std::string& name : {stale, live, std::string(".tervolen-verify-x.fdb")})
        test::writeFile(dir.file("verify/" + name), "left");
    fs::create_symlink(dir.file("source.fdb"), dir.file("verify/" + link));
    form.setChecked("ChkBoxVerifyRestore", false);
    program->runBackup(true);
    EXPECT_EQ(test::listing(dir.file("verify")), (std::vector<std::string>{live, link, ".tervolen-verify-x.fdb"}));
}

// tervolen-cli verify through the server: the lines and exit codes of backup, and no test database left behind.
TEST(CliVerify, ExitsZeroOnlyForABackupThatPassesItsTestRestore) {
    const auto& server = test::theFirebirdServer();
    test::TempDir dir;
    test::ServerFolder folder;
    withSettings(dir.file("tervolen.ini"), [&](SettingsFile& s) {
        s.writeText("PROTOCOL", "Type", "TCP/IP");
        s.writeText("SERVERNAME", "Name", server.serverName());
        s.writeText("CLIENTLIB", "ClientLib", server.clientLibrary);
        s.writeText("USERNAME", "UserName", server.user);
        s.writeText("PASSWORD", "Pswd", server.password);
        s.writeText("VERIFY", "Folder", folder.path());
    });
    std::string output;
    ASSERT_EQ(test::runCommand("gbak -b -user " + server.user + " -password " + server.password + " " +
                                   server.remotePath(server.database) + " " + folder.file("good.fbk"),
                               &output),
              0)
        << output;
    fs::copy_file(folder.file("good.fbk"), folder.file("cut.fbk"));
    damage(folder.file("cut.fbk"), Damage::CutShort);
    const struct {
        const char* backup;
        int status;
        const char* line;
    } cases[] = {
        {"good.fbk", 0, "Test restore passed in"},
        {"cut.fbk", 1, "The restore stopped before its end: the backup is cut short or damaged."},
        {"missing.fbk", 1, "Error Code 00026"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(test::runCommand(std::string(TERVOLEN_CLI) + " verify --settings " + dir.file("tervolen.ini") +
                                       " --backup " + folder.file(c.backup),
                                   &output),
                  c.status)
            << output;
        EXPECT_NE(output.find(c.line), std::string::npos) << output;
        EXPECT_EQ(test::listing(folder.path()).size(), 2u) << output;
    }
    // A Firebird 3 server whose quiet restore of a cut backup fails formats no message afterwards; the test restore
    // must not leave it so.
    EXPECT_EQ(test::runCommand("gbak -b -v -se " + server.serverName() + ":service_mgr -user " + server.user +
                                   " -password " + server.password + " " + server.database + " " +
                                   folder.file("after.fbk"),
                               &output),
              0)
        << output;
    EXPECT_NE(output.find("gbak:readied database"), std::string::npos) << output;
}

// tervolen-cli verify with embedded access killed with SIGKILL in the middle of its restore: the engine dies with it
// and the half-written test database stays, until the next run removes it.
TEST(CliVerify, TheTestDatabaseOfAKilledRunGoesAtTheNextRun) {
    const auto& server = test::theFirebirdServer();
    test::TempDir dir;
    fs::create_directories(dir.file("verify"));
    fs::copy_file(server.embeddedDatabase, dir.file("source.fdb"));
    test::writeFile(dir.file("big.sql"), test::kBigTableScript);
    std::string output;
    ASSERT_EQ(test::runCommand("isql-fb -q -bail -user SYSDBA -i " + dir.file("big.sql") + " " + dir.file("source.fdb"),
                               &output),
              0)
        << output;
    ASSERT_EQ(test::runCommand("gbak -b -user SYSDBA " + dir.file("source.fdb") + " " + dir.file("big.fbk"), &output), 0)
        << output;
    withSettings(dir.file("tervolen.ini"), [&](SettingsFile& s) {
        s.writeText("PROTOCOL", "Type", "LOCAL");
        s.writeText("CLIENTLIB", "ClientLib", server.clientLibrary);
        s.writeText("USERNAME", "UserName", "SYSDBA");
        s.writeText("VERIFY", "Folder", dir.file("verify"));
    });
    const std::vector<std::string> verify = {TERVOLEN_CLI, "verify", "--settings", dir.file("tervolen.ini"),
                                             "--backup", dir.file("big.fbk")};
    {
        test::ChildProcess killed(verify);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
        while (test::listing(dir.file("verify")).empty() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        ASSERT_EQ(::kill(killed.pid(), SIGKILL), 0);
        ASSERT_EQ(killed.ending(), "signal 9");
    }
    const std::vector<std::string> left = test::listing(dir.file("verify"));
    ASSERT_EQ(left.size(), 1u) << "the killed run made no test database";
    EXPECT_TRUE(testDatabaseOwner(left[0])) << left[0];

    std::string command;
    for (const std::string& argument : verify)
        command += "'" + argument + "' ";
    EXPECT_EQ(test::runCommand(command, &output), 0) << output;
    EXPECT_TRUE(test::listing(dir.file("verify")).empty()) << testing::PrintToString(test::listing(dir.file("verify")));
}

} // namespace
} // namespace tervolen
