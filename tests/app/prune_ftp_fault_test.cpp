// Pruning the FTP folder while pyftpdlib fails: it refuses every DELE, or it dies in the middle of the deletes.
// The prune says so in red, the local folders lose only what the policy lets go, and the next prune against a
// working server finishes the job.
#include "app/prune_backups.h"

#include "core/run_journal.h"
#include "ftp_test_server.h"
#include "temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace tervolen {
namespace {

namespace fs = std::filesystem;

// Oldest first. The fourth run failed, so keeping the last two good sets keeps the newest and the second.
constexpr const char* kOldest = "202612050509";
constexpr const char* kSecond = "202612060509";
constexpr const char* kFailed = "202612070509";
constexpr const char* kNewest = "202612080509";

std::vector<std::string> archives(std::initializer_list<const char*> stamps) {
    std::vector<std::string> names;
    for (const char* stamp : stamps)
        names.push_back(std::string(stamp) + ".zip");
    return names;
}

struct MonitorText {
    std::string text;
    bool red = false;
};

MonitorText monitorText(const MonitorLog& monitor) {
    MonitorText result;
    for (std::size_t i = 0; i < monitor.size(); ++i) {
        result.text += monitor.paragraph(i).text + "\n";
        result.red = result.red || monitor.paragraph(i).color == kRed;
    }
    return result;
}

class PruneFtpFaultTest : public ::testing::Test {
protected:
    PruneFtpFaultTest() {
        settings.locations = {dir.file("backups"), ".fbk", {dir.file("mirror")}, dir.file("logs/")};
        settings.journalPath = dir.file("tervolen.journal");
        settings.policy = {.keepLast = 2};
        settings.pruneFtp = true;
    }

    // Every set in the backup folder, the mirror and the FTP folder, each with its journal record.
    void putSets() {
        for (const char* folder : {"backups", "mirror", "ftp"}) {
            fs::remove_all(dir.file(folder));
            fs::create_directory(dir.file(folder));
        }
        fs::remove(settings.journalPath);
        for (const char* stamp : {kOldest, kSecond, kFailed, kNewest}) {
            const std::string archive = std::string(stamp) + ".zip";
            for (const std::string& path : {"backups/" + std::string(stamp) + ".fbk", "backups/" + archive,
                                            "mirror/" + archive, "ftp/" + archive})
                test::writeFile(dir.file(path), path);
            RunRecord run;
            run.stamp = stamp;
            run.started = "2026-12-08 05:09:00";
            run.result = stamp == kFailed ? "failed" : "ok";
            appendRunRecord(settings.journalPath, run);
        }
    }

    MonitorText pruneAgainst(const test::FtpTestServer& server) {
        settings.ftp = {"127.0.0.1", std::to_string(server.port()), "backup", "pass word"};
        MonitorLog monitor;
        FtpClient ftp;
        pruneBackups(settings, ftp, monitor, false);
        return monitorText(monitor);
    }

    std::vector<std::string> backupFolder() const { return test::listing(dir.file("backups")); }
    std::vector<std::string> keptBackupFolder() const {
        return {std::string(kSecond) + ".fbk", std::string(kSecond) + ".zip", std::string(kNewest) + ".fbk",
                std::string(kNewest) + ".zip"};
    }

    test::TempDir dir;
    PruneSettings settings;
};

TEST_F(PruneFtpFaultTest, AFailingServerIsARedLineTheKeptSetsStayAndTheNextPruneFinishesTheJob) {
    const struct {
        test::FtpTestFault fault;
        const char* line;
    } cases[] = {
        {test::FtpTestFault::RefuseDele, "Cannot remove \"202612050509.zip\" from the FTP server."},
        {test::FtpTestFault::DieAtSecondDele, "Pruning Error"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        putSets();
        {
            test::FtpTestServer server(dir.file("ftp"), "backup", "pass word", c.fault);
            const MonitorText failing = pruneAgainst(server);
            EXPECT_TRUE(failing.red) << failing.text;
            EXPECT_NE(failing.text.find(c.line), std::string::npos) << failing.text;
        }
        EXPECT_EQ(backupFolder(), keptBackupFolder());
        EXPECT_EQ(test::listing(dir.file("mirror")), archives({kSecond, kNewest}));
        const std::vector<std::string> uploads = test::listing(dir.file("ftp"));
        for (const std::string& kept : archives({kSecond, kNewest}))
            EXPECT_NE(std::find(uploads.begin(), uploads.end(), kept), uploads.end()) << kept;
        EXPECT_GT(uploads.size(), 2u) << "the server should have failed before the last DELE";

        test::FtpTestServer server(dir.file("ftp"), "backup", "pass word");
        const MonitorText next = pruneAgainst(server);
        EXPECT_FALSE(next.red) << next.text;
        EXPECT_EQ(test::listing(dir.file("ftp")), archives({kSecond, kNewest})) << next.text;
        EXPECT_EQ(backupFolder(), keptBackupFolder());
        std::vector<std::string> stamps;
        for (const RunRecord& run : readRunJournal(settings.journalPath))
            stamps.push_back(run.stamp);
        EXPECT_EQ(stamps, (std::vector<std::string>{kSecond, kFailed, kNewest}));
    }
}

} // namespace
} // namespace tervolen
