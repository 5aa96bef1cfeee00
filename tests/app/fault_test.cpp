// Faults injected into scheduled backup runs of the whole program, against real peers: the database
// server killed in the middle of a backup or down before it, a full backup medium, and mail and FTP
// servers that take the connection and never answer. After each fault the program must still run its
// schedule and serve the next ticked hour once the fault is gone.
#include "app/program.h"
#include "connection_fields.h"
#include "core/headless_form.h"
#include "core/run_journal.h"
#include "core/settings_file.h"
#include "firebird_server.h"
#include "fixed_clock.h"
#include "ftp_test_server.h"
#include "monitor_lines.h"
#include "scripted_dialogs.h"
#include "scripted_server.h"
#include "services/test_restore.h"
#include "smtp_sink.h"
#include "temp_dir.h"
#include "test_certificates.h"
#include "test_config.h"
#include "tls_peer.h"
#include "tmpfs_mount.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace tervolen {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const std::string kServerScripts = std::string(test::kSourceDir) + "/tests/support/firebird/";

std::string stopServerCommand(const std::string& stateDir) {
    return kServerScripts + "stop-server " + stateDir;
}

// Whether the process is gone; a killed process that nobody has reaped yet counts as gone.
bool processGone(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line))
        return true;
    size_t nameEnd = line.rfind(')');
    return nameEnd == std::string::npos || nameEnd + 2 >= line.size() || line[nameEnd + 2] == 'Z';
}

// A Firebird server of this test alone (tests/support/firebird/start-server), so that it can be killed
// and stopped without disturbing other tests. Stopped, with its files removed, whatever the test's outcome.
class OwnFirebirdServer {
public:
    explicit OwnFirebirdServer(std::string stateDir) : stateDir_(std::move(stateDir)) { start(); }
    OwnFirebirdServer(const OwnFirebirdServer&) = delete;
    OwnFirebirdServer& operator=(const OwnFirebirdServer&) = delete;
    ~OwnFirebirdServer() { test::runCommand(stopServerCommand(stateDir_)); }

    // Starts a fresh server: a port of its own and a new test database at the same path.
    void start() {
        run(kServerScripts + "start-server " + stateDir_);
        std::map<std::string, std::string> state = readState(stateDir_ + "/state.env");
        port_ = state.at("FIREBIRD_TEST_PORT");
        password_ = state.at("FIREBIRD_TEST_PASSWORD");
        database_ = state.at("FIREBIRD_TEST_DATABASE");
    }
    // Stops the server the orderly way; its files stay.
    void stop() { run(stopServerCommand(stateDir_) + " --keep"); }
    // Kills the server process without warning and waits until it is gone.
    void kill() {
        pid_t pid = std::stoi(test::readFile(stateDir_ + "/server.pid"));
        ASSERT_EQ(::kill(pid, SIGKILL), 0);
        auto deadline = std::chrono::steady_clock::now() + 10s;
        while (!processGone(pid) && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(10ms);
        ASSERT_TRUE(processGone(pid));
    }
    // Runs an isql script on the test database through the server.
    void isql(const std::string& script) const {
        std::string file = stateDir_ + "/script.sql";
        test::writeFile(file, script);
        run("isql-fb -q -bail -user SYSDBA -password " + password_ + " -i " + file + " " + remotePath(database_));
    }
    // Whether gbak restores the backup file into a new database.
    bool restores(const std::string& backupFile, const std::string& database) const {
        return test::runCommand("gbak -c -user SYSDBA -password " + password_ + " " + backupFile + " " +
                                remotePath(database)) == 0;
    }

    std::string serverName() const { return "127.0.0.1/" + port_; }
    const std::string& database() const { return database_; }
    const std::string& password() const { return password_; }

private:
    std::string remotePath(const std::string& path) const { return serverName() + ":" + path; }

    static std::string run(const std::string& command) {
        std::string output;
        if (test::runCommand(command, &output) != 0)
            throw std::runtime_error(command + " failed:\n" + output);
        return output;
    }

    static std::map<std::string, std::string> readState(const std::string& path) {
        std::map<std::string, std::string> values;
        std::ifstream in(path);
        std::string line;
        while (std::getline(in, line))
            if (size_t equals = line.find('='); equals != std::string::npos)
                values[line.substr(0, equals)] = line.substr(equals + 1);
        return values;
    }

    std::string stateDir_;
    std::string port_;
    std::string password_;
    std::string database_;
};

// Ends the test program when a test runs far beyond its normal length (well under a minute), after cleanUp:
// a hang is then reported at once instead of at ctest's timeout, and leaves no server behind.
class HangGuard {
public:
    explicit HangGuard(std::function<void()> cleanUp)
        : thread_([this, cleanUp = std::move(cleanUp)] {
              std::unique_lock lock(mutex_);
              if (finished_.wait_for(lock, kLimit, [this] { return done_; }))
                  return;
              std::fprintf(stderr, "The test hangs: stopping its server and ending.\n");
              cleanUp();
              std::abort();
          }) {}
    HangGuard(const HangGuard&) = delete;
    HangGuard& operator=(const HangGuard&) = delete;
    ~HangGuard() {
        {
            std::lock_guard lock(mutex_);
            done_ = true;
        }
        finished_.notify_all();
        thread_.join();
    }

private:
    static constexpr auto kLimit = 4min;
    std::mutex mutex_;
    std::condition_variable finished_;
    bool done_ = false;
    std::thread thread_;
};

// Fills the file system that holds path by writing to path until no byte fits any more.
void fillUp(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::vector<char> block(64 * 1024, 'f');
    while (std::fwrite(block.data(), 1, block.size(), file) == block.size()) {
    }
    std::fclose(file);
}

class FaultTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The server runs as its own user and must reach its state folder below this one.
        fs::permissions(dir.path(),
                        fs::perms::group_read | fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec,
                        fs::perm_options::add);
        server = std::make_unique<OwnFirebirdServer>(dir.file("server"));
        fs::create_directories(backups);
        test::giveToServerUser(backups);
        withSettings(paths.settingsFile, [&](SettingsFile& s) {
            s.writeText("DIRECTORYS", "Base", server->database());
            s.writeText("DIRECTORYS", "BackupDir", backups);
            s.writeText("VERBOSEMODE", "Verbose", "Checked");
            s.writeFlag("DAYS", "Wednesday", true);
            s.writeFlag("HOURS", hourKey(kFaultHour), true);
            s.writeFlag("HOURS", hourKey(kNextHour), true);
            s.writeText("PROTOCOL", "Type", "TCP/IP");
            s.writeText("SERVERNAME", "Name", server->serverName());
            s.writeText("CLIENTLIB", "ClientLib", "libfbclient.so.2");
            s.writeText("USERNAME", "UserName", "SYSDBA");
            s.writeText("PASSWORD", "Pswd", server->password());
            s.writeText("BKPEXT", "Ext", ".fbk");
        });
        clock.set(2026, 12, 9, 9, 0); // a Wednesday
        Program::Options options;
        options.registerAutostart = false;
        options.networkTimeouts = {5s, 3s, 5s};
        program = std::make_unique<Program>(
            form, dialogs, monitor, paths, clock,
            [this] {
                if (onEvents)
                    onEvents();
            },
            options);
        program->startup();
        form.addItem("MirrorListView", dir.file("mirror"));
    }

    // One tick of the schedule timer a few seconds into the hour.
    void tickAt(int hour) {
        clock.set(2026, 12, 9, hour, 0, 5);
        program->onScheduleTick();
    }

    static std::string stamp(int hour) {
        char stamp[16];
        std::snprintf(stamp, sizeof stamp, "2026120900%02d", hour); // minute, then hour
        return stamp;
    }
    std::string backupFile(int hour, const char* extension) const { return backups + "/" + stamp(hour) + extension; }

    std::vector<std::string> texts() const { return test::monitorTexts(monitor); }
    std::vector<std::string> redTexts() const {
        std::vector<std::string> lines;
        for (size_t i = 0; i < monitor.size(); ++i)
            if (monitor.paragraph(i).color == kRed)
                lines.push_back(monitor.paragraph(i).text);
        return lines;
    }
    bool shows(const std::string& text) const {
        auto lines = texts();
        return std::find(lines.begin(), lines.end(), text) != lines.end();
    }

    // The program went through the fault unharmed: no dialog, the timer armed, the hour served.
    void expectStillScheduling(int hour) const {
        EXPECT_TRUE(dialogs.shown.empty()) << dialogs.shown.front().text;
        EXPECT_TRUE(program->timerEnabled());
        EXPECT_TRUE(program->schedule().slots()[static_cast<size_t>(hour)].done);
    }

    // Neither a finished backup nor anything of the chain after it.
    void expectNothingHandedOn(int hour) const {
        EXPECT_FALSE(shows("=========== Backup Finished ========"));
        EXPECT_FALSE(shows("Compressing File Please Wait... "));
        EXPECT_FALSE(monitor.led()) << "the lamp stays red";
        EXPECT_FALSE(fs::exists(backupFile(hour, ".zip")));
        EXPECT_FALSE(fs::exists(dir.file("mirror/" + stamp(hour) + ".zip")));
    }

    // The run of the hour backed up, compressed and mirrored without a red line; returns the archive.
    std::string expectGoodBackup(int hour) const {
        EXPECT_TRUE(shows("=========== Backup Finished ========"));
        EXPECT_EQ(texts().back(), "Compressed Files: 1");
        EXPECT_EQ(redTexts(), std::vector<std::string>{});
        EXPECT_TRUE(monitor.led());
        std::string zip = backupFile(hour, ".zip");
        std::string output;
        EXPECT_EQ(test::runCommand("unzip -t " + zip, &output), 0) << output;
        EXPECT_EQ(test::readFile(dir.file("mirror/" + stamp(hour) + ".zip")), test::readFile(zip));
        expectStillScheduling(hour);
        return zip;
    }

    // The test restore on, into the folder verify that the server writes into.
    void enableTestRestore() {
        fs::create_directories(verify);
        test::giveToServerUser(verify);
        form.setChecked("ChkBoxVerifyRestore", true);
        form.setText("EdVerifyFolder", verify);
    }
    bool testDatabaseOnDisk() const {
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(verify, error))
            if (testDatabaseOwner(entry.path().filename().string()))
                return true;
        return false;
    }

    // The run of the hour backed up, failed its test restore, recorded so, and handed nothing on; no test
    // database stayed.
    void expectFailedTestRestore(int hour) const {
        const std::vector<std::string> red = redTexts();
        EXPECT_NE(std::find(red.begin(), red.end(),
                            "The backup \"" + backupFile(hour, ".fbk") + "\" failed its test restore."),
                  red.end())
            << testing::PrintToString(red);
        EXPECT_FALSE(shows("Compressing File Please Wait... "));
        EXPECT_FALSE(monitor.led()) << "the lamp stays red";
        EXPECT_FALSE(fs::exists(backupFile(hour, ".zip")));
        EXPECT_FALSE(fs::exists(dir.file("mirror/" + stamp(hour) + ".zip")));
        EXPECT_TRUE(test::listing(verify).empty()) << "the test database stayed";
        const std::vector<RunRecord> journal = readRunJournal(runJournalPath(paths.settingsFile));
        ASSERT_FALSE(journal.empty());
        EXPECT_EQ(journal.back().result, "failed");
        EXPECT_EQ(journal.back().verified, std::optional<bool>(false));
        expectStillScheduling(hour);
    }

    // E-mail over STARTTLS with the login backup/secret, trusting the CA of caFile.
    void setStartTlsMail(int port, const std::string& caFile) {
        test::setMailFields(form, port);
        form.setText("ledHost", "localhost");
        form.setItemIndex("CBSMTPSecurity", 1);
        form.setText("EdSMTPCAFile", caFile);
        form.setText("EdSMTPUser", "backup");
        form.setText("EdSMTPpswd", "secret");
    }

    // The first message's attachment as Python's email package decodes it, against the archive's digest and size.
    void expectMailedAttachment(const test::SmtpSink& smtp, const std::string& zip, int hour) const {
        std::string parts;
        ASSERT_EQ(test::runCommand(std::string(test::kPython3) + " " + test::kSourceDir +
                                       "/tests/support/mail_inspect.py '" + smtp.messagePath(1, ".eml") + "'",
                                   &parts),
                  0)
            << parts;
        std::string digest;
        ASSERT_EQ(test::runCommand("sha256sum '" + zip + "'", &digest), 0) << digest;
        EXPECT_NE(parts.find("filename=" + stamp(hour) + ".zip sha256=" + digest.substr(0, 64) +
                             " size=" + std::to_string(fs::file_size(zip)) + " "),
                  std::string::npos)
            << parts;
    }

    static constexpr int kFaultHour = 15;
    static constexpr int kNextHour = 16;

    test::TempDir dir;
    HangGuard hangGuard{[this] { test::runCommand(stopServerCommand(dir.file("server"))); }};
    std::string backups = dir.file("backups");
    std::string verify = dir.file("verify");
    AppPaths paths{dir.path(), dir.file("tervolen.ini")};
    HeadlessForm form;
    test::ScriptedDialogs dialogs;
    MonitorLog monitor;
    test::FixedClock clock;
    std::function<void()> onEvents;
    std::unique_ptr<OwnFirebirdServer> server;
    std::unique_ptr<Program> program;
};

TEST_F(FaultTest, AServerKilledDuringTheBackupLeavesACutFileThatNothingHandsOn) {
    server->isql(test::kBigTableScript);
    bool killed = false;
    onEvents = [&] {
        if (!killed && monitor.size() > 0 &&
            monitor.paragraph(monitor.size() - 1).text.find("records written") != std::string::npos) {
            killed = true;
            server->kill();
        }
    };
    tickAt(kFaultHour);
    ASSERT_TRUE(killed) << "the server's output never reached its first records";
    EXPECT_EQ(redTexts(), (std::vector<std::string>{
                              "Error Code 0001A Internal System ",
                              "FrmPrincipal.Backup:",
                              "Unsuccessful execution caused by a system error that precludes successful execution of "
                              "subsequent statements.Error reading data from the connection.",
                              "",
                          }));
    expectNothingHandedOn(kFaultHour);
    expectStillScheduling(kFaultHour);

    server->start();
    std::string cut = backupFile(kFaultHour, ".fbk");
    ASSERT_TRUE(fs::exists(cut));
    EXPECT_FALSE(server->restores(cut, dir.file("server/work/cut.fdb"))) << "the file is cut";
    form.setText("EdServerName", server->serverName());
    tickAt(kNextHour);
    expectGoodBackup(kNextHour);
}

TEST_F(FaultTest, AServerKilledDuringTheTestRestoreFailsTheRunAndLeavesNoTestDatabase) {
    server->isql(test::kBigTableScript);
    enableTestRestore();
    bool killed = false;
    onEvents = [&] {
        if (!killed && testDatabaseOnDisk()) {
            killed = true;
            server->kill();
        }
    };
    tickAt(kFaultHour);
    ASSERT_TRUE(killed) << "the test restore never made its database";
    expectFailedTestRestore(kFaultHour);

    server->start();
    form.setText("EdServerName", server->serverName());
    tickAt(kNextHour);
    expectGoodBackup(kNextHour);
    EXPECT_TRUE(test::listing(verify).empty());
}

TEST_F(FaultTest, AFullDiskDuringTheTestRestoreFailsTheRunAndLeavesNoTestDatabase) {
    server->isql(test::kBigTableScript);
    enableTestRestore();
    {
        const test::ServerUser owner = test::theServerUser();
        test::TmpfsMount medium(verify, "size=4m,mode=0700,uid=" + std::to_string(owner.uid) +
                                            ",gid=" + std::to_string(owner.gid));
        TERVOLEN_SKIP_WITHOUT_TMPFS(medium, "mounting a tmpfs needs root");
        tickAt(kFaultHour);
        expectFailedTestRestore(kFaultHour);
    }
    tickAt(kNextHour);
    expectGoodBackup(kNextHour);
}

TEST_F(FaultTest, AServerDownAtTheAttachIsReportedAndTheNextHourBacksUpOnceItIsBack) {
    server->stop();
    tickAt(kFaultHour);
    EXPECT_EQ(redTexts(), (std::vector<std::string>{
                              "Error Code 0001 Internal System ",
                              "FrmPrincipal.Backup:",
                              "Unsuccessful execution caused by a system error that precludes successful execution of "
                              "subsequent statements.Unable to complete network request to host \"127.0.0.1\".",
                              "Failed to establish a connection.",
                              "",
                              "Error Code 0001A Internal System ",
                              "Cannot perform operation -- service is not attached",
                          }));
    EXPECT_FALSE(fs::exists(backupFile(kFaultHour, ".fbk")));
    expectNothingHandedOn(kFaultHour);
    expectStillScheduling(kFaultHour);

    server->start();
    form.setText("EdServerName", server->serverName());
    tickAt(kNextHour);
    expectGoodBackup(kNextHour);
}

TEST_F(FaultTest, AFullBackupMediumShowsTheServersErrorAndNothingIsHandedOn) {
    const test::ServerUser owner = test::theServerUser();
    test::TmpfsMount medium(backups,
                            "size=1m,mode=0700,uid=" + std::to_string(owner.uid) + ",gid=" + std::to_string(owner.gid));
    TERVOLEN_SKIP_WITHOUT_TMPFS(medium, "mounting a tmpfs needs root");
    fillUp(backups + "/filler");
    tickAt(kFaultHour);
    EXPECT_EQ(redTexts(), (std::vector<std::string>{
                              "Error Code 0001A Internal System ",
                              "FrmPrincipal.Backup:",
                              "Unsuccessful execution caused by system error that does not preclude successful "
                              "execution of subsequent statements.free disk space exhausted.",
                              "Exiting before completion due to errors.",
                              "",
                          }));
    expectNothingHandedOn(kFaultHour);
    expectStillScheduling(kFaultHour);

    fs::remove(backups + "/filler");
    tickAt(kNextHour);
    expectGoodBackup(kNextHour);
}

TEST_F(FaultTest, MailAndFtpServersThatNeverAnswerTimeOutAndTheOtherStepsStillRun) {
    using test::ScriptedServer;
    ScriptedServer silentSmtp({ScriptedServer::silent()});
    ScriptedServer silentFtp({ScriptedServer::silent()});
    test::setMailFields(form, silentSmtp.port());
    test::setFtpFields(form, silentFtp.port());
    tickAt(kFaultHour);
    auto lines = texts();
    ASSERT_GE(lines.size(), 6u);
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 2),
              (std::vector<std::string>{"ERROR: Socket Error # 110", "Connection timed out"}))
        << "the mail step's failure at the top";
    EXPECT_EQ(std::vector<std::string>(lines.end() - 5, lines.end()),
              (std::vector<std::string>{"=========== Backup Finished ========", "Compressing File Please Wait... ",
                                        "Compressed Files: 1", "Socket Error # 110", "Connection timed out"}))
        << "the FTP step's failure at the end";
    EXPECT_EQ(redTexts(), (std::vector<std::string>{"Socket Error # 110", "Connection timed out"}));
    EXPECT_TRUE(silentSmtp.waitFinished(10s)) << "the mail step closed its connection";
    EXPECT_TRUE(silentFtp.waitFinished(10s)) << "the FTP step closed its connection";
    EXPECT_TRUE(fs::exists(dir.file("mirror/" + stamp(kFaultHour) + ".zip")));
    expectStillScheduling(kFaultHour);

    fs::create_directories(dir.file("mail"));
    fs::create_directories(dir.file("ftp-home"));
    test::SmtpSink smtp(dir.file("mail"));
    test::FtpTestServer ftp(dir.file("ftp-home"), "backup", "secret");
    form.setText("EdSMTPPort", std::to_string(smtp.port()));
    form.setText("LedFTPPort", std::to_string(ftp.port()));
    tickAt(kNextHour);
    std::string zip = expectGoodBackup(kNextHour);
    expectMailedAttachment(smtp, zip, kNextHour);
    EXPECT_EQ(test::readFile(dir.file("ftp-home/" + stamp(kNextHour) + ".zip")), test::readFile(zip));
}

// The FTP step over explicit TLS in passive mode into a folder, against a server that was killed, one that takes
// the connection and never answers the TLS handshake, and one that refuses TLS: each fails with a red line, the
// other steps run, and the next hour uploads to a good server.
enum class FtpFault { Killed, Silent, Refusing };

class FtpTlsFaultTest : public FaultTest, public testing::WithParamInterface<FtpFault> {
protected:
    void setFtpOverTls(int port, const char* security) {
        test::setFtpFields(form, port);
        form.setText("CBFTPSecurity", security);
        form.setChecked("ChkBoxFTPPassive", true);
        form.setText("LedFTPFolder", "nightly/firebird");
        form.setText("LedFTPCAFile", certificates.caFile());
    }
    std::optional<test::FtpTestServer> tlsServer(const std::string& home) {
        fs::create_directories(home);
        return std::optional<test::FtpTestServer>(std::in_place, home, "backup", "secret", test::FtpTestTls::Explicit,
                                                  certificates.trusted().certificate, certificates.trusted().key);
    }

    static std::string madeFolder(const std::string& path) {
        fs::create_directories(path);
        return path;
    }

    test::TestCertificates certificates{madeFolder(dir.file("certificates"))};
};

TEST_P(FtpTlsFaultTest, AFailedUploadIsARedLineAndTheNextHourUploads) {
    using test::ScriptedServer;
    fs::create_directories(dir.file("plain-home"));
    std::optional<test::FtpTestServer> killed = tlsServer(dir.file("killed-home"));
    const int killedPort = killed->port();
    killed.reset();
    ScriptedServer silent({ScriptedServer::silent()});
    test::FtpTestServer plain(dir.file("plain-home"), "backup", "secret");
    std::vector<std::string> failure;
    switch (GetParam()) {
    case FtpFault::Killed:
        setFtpOverTls(killedPort, "TLS");
        failure = {"Socket Error # 111", "Connection refused"};
        break;
    case FtpFault::Silent:
        setFtpOverTls(silent.port(), "ImplicitTLS");
        failure = {"TLS handshake failed: Connection timed out"};
        break;
    case FtpFault::Refusing:
        setFtpOverTls(plain.port(), "TLS");
        failure = {"Command \"AUTH\" not understood.", ""};
        break;
    }
    tickAt(kFaultHour);
    EXPECT_EQ(redTexts(), failure);
    EXPECT_TRUE(fs::exists(dir.file("mirror/" + stamp(kFaultHour) + ".zip"))) << "the mirror step ran";
    EXPECT_EQ(test::listing(dir.file("plain-home")), std::vector<std::string>{}) << "nothing was uploaded";
    expectStillScheduling(kFaultHour);

    const std::string home = dir.file("tls-home");
    std::optional<test::FtpTestServer> good = tlsServer(home);
    form.setText("LedFTPPort", std::to_string(good->port()));
    form.setText("CBFTPSecurity", "TLS");
    tickAt(kNextHour);
    const std::string zip = expectGoodBackup(kNextHour);
    EXPECT_EQ(test::readFile(home + "/nightly/firebird/" + stamp(kNextHour) + ".zip"), test::readFile(zip));
}

std::string faultName(const testing::TestParamInfo<FtpFault>& info) {
    const char* const names[] = {"Killed", "Silent", "Refusing"};
    return names[static_cast<int>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(Faults, FtpTlsFaultTest,
                         testing::Values(FtpFault::Killed, FtpFault::Silent, FtpFault::Refusing), faultName);

// The e-mail step over TLS: a server that closes or stays silent during the handshake (one that answers in clear is
// in tests/delivery/smtp_tls_test.cpp).
TEST_F(FaultTest, TlsMailServersThatCloseOrFallSilentInTheHandshakeAreReportedAndTheOtherStepsStillRun) {
    struct Case {
        test::TlsPeer::Mode mode;
        std::string firstLine;
    };
    const Case cases[] = {
        {test::TlsPeer::Mode::close, "ERROR: TLS handshake failed: the server closed the connection"},
        {test::TlsPeer::Mode::silent, "ERROR: TLS handshake failed: Connection timed out"},
    };
    const int hours[] = {kFaultHour, kNextHour};
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].firstLine);
        test::TlsPeer peer(cases[i].mode);
        test::setMailFields(form, peer.port());
        form.setItemIndex("CBSMTPSecurity", 2);
        tickAt(hours[i]);
        const auto lines = texts();
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.front(), cases[i].firstLine);
        EXPECT_TRUE(fs::exists(dir.file("mirror/" + stamp(hours[i]) + ".zip"))) << "the mirror step still ran";
        expectStillScheduling(hours[i]);
    }
}

TEST_F(FaultTest, AMailServerWithStartTlsAndALoginTakesTheArchiveByteForByte) {
    const test::TempDir certificateFolder;
    const test::TestCertificates certificates(certificateFolder.path());
    fs::create_directories(dir.file("mail"));
    test::SmtpSink smtp(dir.file("mail"),
                        {test::SmtpSinkOptions::Tls::startTlsRequired, certificates.trusted().certificate,
                         certificates.trusted().key, "backup:secret"});
    setStartTlsMail(smtp.port(), certificates.caFile());
    tickAt(kFaultHour);
    std::string zip = expectGoodBackup(kFaultHour);
    expectMailedAttachment(smtp, zip, kFaultHour);
}

// The whole chain with both deliveries encrypted: compression, e-mail over STARTTLS with a login, and FTP over
// explicit TLS in passive mode into a folder; both servers hold the archive byte for byte.
TEST_F(FaultTest, ABackupRunDeliversTheArchiveOverStartTlsMailAndTlsFtpByteForByte) {
    const test::TempDir certificateFolder;
    const test::TestCertificates certificates(certificateFolder.path());
    fs::create_directories(dir.file("mail"));
    test::SmtpSink smtp(dir.file("mail"),
                        {test::SmtpSinkOptions::Tls::startTlsRequired, certificates.trusted().certificate,
                         certificates.trusted().key, "backup:secret"});
    setStartTlsMail(smtp.port(), certificates.caFile());
    const std::string home = dir.file("ftp-home");
    fs::create_directories(home);
    test::FtpTestServer ftp(home, "backup", "secret", test::FtpTestTls::Explicit, certificates.trusted().certificate,
                            certificates.trusted().key);
    test::setFtpFields(form, ftp.port());
    form.setText("CBFTPSecurity", "TLS");
    form.setChecked("ChkBoxFTPPassive", true);
    form.setText("LedFTPFolder", "nightly/firebird");
    form.setText("LedFTPCAFile", certificates.caFile());

    tickAt(kFaultHour);
    const std::string zip = expectGoodBackup(kFaultHour);
    EXPECT_EQ(test::readFile(home + "/nightly/firebird/" + stamp(kFaultHour) + ".zip"), test::readFile(zip));
    expectMailedAttachment(smtp, zip, kFaultHour);
}

} // namespace
} // namespace tervolen
