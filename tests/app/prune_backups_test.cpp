// Pruning real folders by the retention policy: the backup folder, two mirrors, the log folder and an FTP folder
// served by pyftpdlib, with foreign files, links and folders named like sets that must stay.
#include "app/prune_backups.h"

#include "core/control_names.h"
#include "core/headless_form.h"
#include "core/run_journal.h"
#include "delivery/ftp_folder_listing.h"
#include "ftp_test_server.h"
#include "scripted_server.h"
#include "temp_dir.h"
#include "test_certificates.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace tervolen {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Oldest first: 2024-02-29 10:05, 2025-03-30 02:30, 2026-12-07 23:50, 2026-12-08 09:05, 2026-12-08 14:00.
constexpr const char* kOldest = "202402290510";
constexpr const char* kSecond = "202503303002";
constexpr const char* kMiddle = "202612075023";
constexpr const char* kFourth = "202612080509";
constexpr const char* kNewest = "202612080014";

std::string zip(const std::string& stamp) {
    return stamp + ".zip";
}

class PruneBackupsTest : public ::testing::Test {
protected:
    PruneBackupsTest() {
        for (const char* folder : {"backups", "m1", "m2", "logs", "ftp", "elsewhere"})
            fs::create_directory(dir.file(folder));
        settings.locations = {dir.file("backups"), ".fbk", {dir.file("m1"), dir.file("m2")}, dir.file("logs/")};
        settings.journalPath = dir.file("tervolen.journal");
    }

    void put(const std::string& path) { test::writeFile(dir.file(path), path); }

    // Every set has a backup, an archive, a mirror copy in each mirror (and a second one in the first) and a log.
    void putSet(const std::string& stamp) {
        for (const std::string& path :
             {"backups/" + stamp + ".fbk", "backups/" + zip(stamp), "m1/" + zip(stamp), "m1/" + stamp + " (2).zip",
              "m2/" + zip(stamp), "logs/" + stamp + ".fbkBackupLog.log"})
            put(path);
    }

    void putForeignFiles() {
        for (const char* path : {"backups/notes.txt", "backups/2026.fbk", "backups/202612080014.fbk.bak",
                                 "m1/202402290510 (1).zip", "m1/202402290510 (02).zip", "m2/202402290510.ZIP",
                                 "logs/202402290510.gbkBackupLog.log", "elsewhere/target.fbk"})
            put(path);
        fs::create_symlink(dir.file("elsewhere/target.fbk"), dir.file("backups/202301010010.fbk"));
        fs::create_symlink(dir.file("elsewhere/target.fbk"), dir.file("m2/202301010010.zip"));
        fs::create_directory(dir.file("backups/202301020010.zip"));
        fs::create_directory(dir.file("m1/202301020010 (2).zip"));
    }

    void record(const std::string& stamp, const char* result) {
        RunRecord run;
        run.stamp = stamp;
        run.started = "2026-12-08 14:00:00";
        run.result = result;
        appendRunRecord(settings.journalPath, run);
    }

    std::vector<std::string> everything() const {
        std::vector<std::string> paths;
        for (const auto& entry : fs::recursive_directory_iterator(dir.path()))
            if (entry.path().filename() != "tervolen.journal")
                paths.push_back(fs::relative(entry.path(), dir.path()).string());
        std::sort(paths.begin(), paths.end());
        return paths;
    }

    std::vector<std::string> setFiles(const std::string& stamp) const {
        return {"backups/" + stamp + ".fbk", "backups/" + zip(stamp), "logs/" + stamp + ".fbkBackupLog.log",
                "m1/" + stamp + " (2).zip",  "m1/" + zip(stamp),      "m2/" + zip(stamp)};
    }

    // What is left when the sets of stamps go.
    std::vector<std::string> without(std::vector<std::string> paths, const std::vector<std::string>& stamps) const {
        for (const std::string& stamp : stamps)
            for (const std::string& file : setFiles(stamp))
                paths.erase(std::remove(paths.begin(), paths.end(), file), paths.end());
        return paths;
    }

    std::string monitorText() const {
        std::string text;
        for (std::size_t i = 0; i < monitor.size(); ++i)
            text += monitor.paragraph(i).text + "\n";
        return text;
    }

    test::TempDir dir;
    PruneSettings settings;
    FtpClient ftp;
    MonitorLog monitor;
};

TEST_F(PruneBackupsTest, RemovesExactlyTheFilesOfTheSetsThePolicyDoesNotKeep) {
    for (const char* stamp : {kOldest, kSecond, kMiddle, kFourth, kNewest})
        putSet(stamp);
    putForeignFiles();
    const std::vector<std::string> before = everything();
    const struct {
        const char* name;
        RetentionPolicy policy;
        std::vector<std::string> removed;
    } cases[] = {
        {"nothing set", {}, {}},
        {"last two", {.keepLast = 2}, {kOldest, kSecond, kMiddle}},
        {"daily", {.keepDaily = 2}, {kOldest, kSecond, kFourth}},
        {"yearly", {.keepYearly = 3}, {kMiddle, kFourth}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        settings.policy = c.policy;
        pruneBackups(settings, ftp, monitor, true);
        EXPECT_EQ(everything(), before) << "a dry run removed something";
        pruneBackups(settings, ftp, monitor, false);
        EXPECT_EQ(everything(), without(before, c.removed));
        for (const std::string& stamp : c.removed)
            EXPECT_NE(monitorText().find("Removed " + dir.file("m1/" + stamp + " (2).zip")), std::string::npos);
        for (const char* stamp : {kOldest, kSecond, kMiddle, kFourth, kNewest})
            putSet(stamp);
    }
    EXPECT_EQ(test::readFile(dir.file("elsewhere/target.fbk")), "elsewhere/target.fbk");
}

TEST_F(PruneBackupsTest, ADryRunNamesTheRulesThatKeepEachSetAndTheFilesThatWouldGo) {
    for (const char* stamp : {kMiddle, kFourth, kNewest})
        putSet(stamp);
    settings.policy = {.keepLast = 1, .keepDaily = 2};
    pruneBackups(settings, ftp, monitor, true);
    const std::string text = monitorText();
    EXPECT_NE(text.find("Keeps 202612080014 (newest, last 1, daily 2026-12-08)"), std::string::npos) << text;
    EXPECT_NE(text.find("Keeps 202612075023 (daily 2026-12-07)"), std::string::npos) << text;
    EXPECT_NE(text.find("Would remove mirror copy " + dir.file("m1/202612080509 (2).zip")), std::string::npos) << text;
    EXPECT_EQ(text.find("Keeps 202612080509"), std::string::npos) << text;
}

TEST_F(PruneBackupsTest, FailedRunsCountForNoRuleAndGoWhileTheGoodOnesStay) {
    for (const char* stamp : {kOldest, kSecond, kMiddle, kFourth, kNewest})
        putSet(stamp);
    record(kOldest, "ok");
    record(kSecond, "ok");
    for (const char* stamp : {kMiddle, kFourth, kNewest})
        record(stamp, "failed");
    const std::vector<std::string> before = everything();
    settings.policy = {.keepLast = 2};
    pruneBackups(settings, ftp, monitor, false);
    EXPECT_EQ(everything(), without(before, {kMiddle, kFourth, kNewest}));
    // The journal lost the records of the sets that went, older than the oldest kept; the rest stays in order.
    std::vector<std::string> stamps;
    for (const RunRecord& run : readRunJournal(settings.journalPath))
        stamps.push_back(run.stamp);
    EXPECT_EQ(stamps, (std::vector<std::string>{kOldest, kSecond, kMiddle, kFourth, kNewest}));

    settings.policy = {.keepLast = 1};
    pruneBackups(settings, ftp, monitor, false);
    stamps.clear();
    for (const RunRecord& run : readRunJournal(settings.journalPath))
        stamps.push_back(run.stamp);
    EXPECT_EQ(stamps, (std::vector<std::string>{kSecond, kMiddle, kFourth, kNewest}));
}

TEST_F(PruneBackupsTest, PrunesTheFtpFolderByTheSamePolicy) {
    for (const char* stamp : {kOldest, kSecond, kMiddle, kFourth, kNewest})
        test::writeFile(dir.file("ftp/") + zip(stamp), stamp);
    for (const char* name : {"notes.txt", "202402290510.fbk", "202402290510 (2).zip"})
        test::writeFile(dir.file("ftp/") + name, name);
    fs::create_directory(dir.file("ftp/202301020010.zip"));
    putSet(kNewest);
    record(kMiddle, "failed");
    test::FtpTestServer server(dir.file("ftp"), "backup", "pass word");
    settings.pruneFtp = true;
    settings.ftp = {"127.0.0.1", std::to_string(server.port()), "backup", "pass word"};
    settings.policy = {.keepLast = 2};
    pruneBackups(settings, ftp, monitor, false);
    EXPECT_EQ(test::listing(dir.file("ftp")),
              (std::vector<std::string>{"202301020010.zip", "202402290510 (2).zip", "202402290510.fbk", zip(kNewest),
                                        zip(kFourth), "notes.txt"}))
        << monitorText();
    EXPECT_NE(monitorText().find("Removed from the FTP server: " + zip(kOldest)), std::string::npos);
    EXPECT_FALSE(ftp.connected());
}

// The FTP group as the window holds it: the listing and DELE go the way of the upload, into its folder, passive or
// active, over TLS or in clear.
TEST_F(PruneBackupsTest, PrunesTheUploadFolderOfTheFtpGroupPassiveOrActiveOverTlsOrInClear) {
    fs::create_directory(dir.file("certificates"));
    test::TestCertificates certificates(dir.file("certificates"));
    const struct {
        test::FtpTestTls tls;
        const char* security;
        bool passive;
    } cases[] = {
        {test::FtpTestTls::None, "None", true},
        {test::FtpTestTls::Explicit, "TLS", true},
        {test::FtpTestTls::Explicit, "TLS", false},
        {test::FtpTestTls::Implicit, "ImplicitTLS", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.security) + (c.passive ? " passive" : " active"));
        const std::string home = dir.file(std::string("home-") + c.security + (c.passive ? "-passive" : "-active"));
        fs::create_directories(home + "/nightly/firebird");
        for (const char* stamp : {kOldest, kSecond, kNewest})
            test::writeFile(home + "/nightly/firebird/" + zip(stamp), stamp);
        test::writeFile(home + "/" + zip(kOldest), "outside the upload folder");
        test::FtpTestServer server =
            c.tls == test::FtpTestTls::None
                ? test::FtpTestServer(home, "backup", "pass word")
                : test::FtpTestServer(home, "backup", "pass word", c.tls, certificates.trusted().certificate,
                                      certificates.trusted().key);
        HeadlessForm form;
        form.setText(controls::eDirBackup, dir.file("backups"));
        form.setText(controls::CB_BkpExt, ".fbk");
        form.setText(controls::LogFileEdit, dir.file("logs/"));
        form.setText(controls::SpinKeepLast, "1");
        form.setChecked(controls::ChkBoxSentFTP, true);
        form.setText(controls::LedFTPAdress, "127.0.0.1");
        form.setText(controls::LedFTPPort, std::to_string(server.port()));
        form.setText(controls::LedUserName, "backup");
        form.setText(controls::LedPassword, "pass word");
        form.setChecked(controls::ChkBoxFTPPassive, c.passive);
        form.setText(controls::LedFTPFolder, "nightly/firebird");
        form.setText(controls::CBFTPSecurity, c.security);
        form.setText(controls::LedFTPCAFile, certificates.caFile());
        PruneSettings read = readPruneSettings(form, AppPaths{dir.path(), dir.file("tervolen.ini")});
        MonitorLog log;
        pruneBackups(read, ftp, log, false);
        std::string text;
        for (std::size_t i = 0; i < log.size(); ++i)
            text += log.paragraph(i).text + "\n";
        EXPECT_EQ(test::listing(home + "/nightly/firebird"), (std::vector<std::string>{zip(kNewest)})) << text;
        EXPECT_TRUE(fs::exists(home + "/" + zip(kOldest))) << "only the upload folder is pruned";
        EXPECT_FALSE(ftp.connected());
    }
}

TEST_F(PruneBackupsTest, AServerWithoutMlsdLeavesTheFtpFolderAloneWithOneLine) {
    putSet(kOldest);
    putSet(kNewest);
    test::ScriptedServer server(
        {test::ScriptedServer::send("220 Old server.\r\n"), test::ScriptedServer::expect("331 Password please.\r\n"),
         test::ScriptedServer::expect("230 Logged in.\r\n"),
         test::ScriptedServer::expect("211-Features:\r\n SIZE\r\n MDTM\r\n211 End\r\n"),
         test::ScriptedServer::expect("200 Type set to I.\r\n"), test::ScriptedServer::expect("215 UNIX Type: L8\r\n"),
         test::ScriptedServer::expect("221 Bye.\r\n")});
    settings.pruneFtp = true;
    settings.ftp = {"127.0.0.1", std::to_string(server.port()), "backup", "pass"};
    settings.policy = {.keepLast = 1};
    pruneBackups(settings, ftp, monitor, false);
    ASSERT_TRUE(server.waitFinished(10s));
    EXPECT_EQ(server.receivedLines(),
              (std::vector<std::string>{"USER backup", "PASS pass", "FEAT", "TYPE I", "SYST", "QUIT"}));
    const std::string text = monitorText();
    EXPECT_NE(text.find(kFtpNotPruned), std::string::npos) << text;
    EXPECT_EQ(text.find(kFtpNotPruned), text.rfind(kFtpNotPruned)) << text;
    EXPECT_FALSE(fs::exists(dir.file("backups/") + zip(kOldest))) << "the local folders are pruned all the same";
    EXPECT_TRUE(fs::exists(dir.file("backups/") + zip(kNewest)));
}

TEST_F(PruneBackupsTest, AnFtpServerThatNeverAnswersIsARedLineAndTheLocalFoldersArePrunedAllTheSame) {
    putSet(kOldest);
    putSet(kNewest);
    test::ScriptedServer server({test::ScriptedServer::silent()});
    ftp.setTimeouts(NetworkTimeouts{2s, 1s, 1s});
    settings.pruneFtp = true;
    settings.ftp = {"127.0.0.1", std::to_string(server.port()), "backup", "pass"};
    settings.policy = {.keepLast = 1};
    pruneBackups(settings, ftp, monitor, false);
    ASSERT_GT(monitor.size(), 0u);
    EXPECT_EQ(monitor.paragraph(0).text, "The FTP folder was not pruned.");
    EXPECT_EQ(monitor.paragraph(0).color, kRed);
    EXPECT_FALSE(fs::exists(dir.file("backups/") + zip(kOldest)));
    EXPECT_TRUE(fs::exists(dir.file("backups/") + zip(kNewest)));
}

} // namespace
} // namespace tervolen
