// The backup chain run as root against a local account without rights (uid 65534) that owns the backup and mirror
// folders: what every file and folder is created with, and links planted at the names the chain writes or reads.
#include "app/program.h"
#include "connection_fields.h"
#include "core/headless_form.h"
#include "core/mirror_list_file.h"
#include "core/settings_file.h"
#include "firebird_server.h"
#include "fixed_clock.h"
#include "ftp_test_server.h"
#include "scripted_dialogs.h"
#include "smtp_sink.h"
#include "temp_dir.h"
#include "test_config.h"

#include <ctime>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tervolen {
namespace {

namespace fs = std::filesystem;

constexpr unsigned kNobody = 65534;
constexpr const char* kSecret = "VICTIM-SECRET root only";

unsigned mode(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

bool isLink(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

// Runs command in a shell as the account without rights.
int asNobody(const std::string& command) {
    return test::runCommand("setpriv --reuid=" + std::to_string(kNobody) + " --regid=" + std::to_string(kNobody) +
                            " --clear-groups sh -c '" + command + "'");
}

// The backup name of a run that starts at t: minute before hour.
std::string stamp(std::time_t t) {
    std::tm local{};
    ::localtime_r(&t, &local);
    char text[16];
    std::strftime(text, sizeof text, "%Y%m%d%M%H", &local);
    return text;
}

class ChainSecurityTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0)
            GTEST_SKIP() << "the attacker's account needs root to be played";
        // The account without rights must reach the folders it owns below this one, and nothing else.
        ::chmod(dir.path().c_str(), 0711);
        fs::create_directory(dir.file("secret"));
        ::chmod(dir.file("secret").c_str(), 0700);
        test::writeFile(victim, kSecret);
        ::chmod(victim.c_str(), 0600);
        fs::copy_file(test::theFirebirdServer().embeddedDatabase, dir.file("source.fdb"));
    }

    // A folder that the account without rights owns (0755): it may plant names there, nobody else may write it.
    std::string attackersFolder(const std::string& name) {
        std::string folder = dir.file(name);
        fs::create_directory(folder);
        EXPECT_EQ(::chown(folder.c_str(), kNobody, kNobody), 0);
        ::chmod(folder.c_str(), 0755);
        return folder;
    }

    void writeSettings(const std::string& backups, const std::vector<std::string>& mirrors) {
        withSettings(dir.file("tervolen.ini"), [&](SettingsFile& s) {
            s.writeText("DIRECTORYS", "Base", dir.file("source.fdb"));
            s.writeText("DIRECTORYS", "BackUpDir", backups);
            s.writeText("PROTOCOL", "Type", "LOCAL");
            s.writeText("CLIENTLIB", "ClientLib", test::theFirebirdServer().clientLibrary);
            s.writeText("USERNAME", "UserName", "SYSDBA");
            s.writeText("BKPEXT", "Ext", ".fbk");
            s.writeText("COMPRESSION", "Checked", "1");
            s.writeText("BACKUPRESTOREMODE", "Checked", "Checked");
        });
        saveMirrorList(dir.file("Mirrors.lst"), mirrors);
    }

    // tervolen-cli backup started as a service or sudo would start it: as root, with the usual umask 022.
    int backup(std::string* output) {
        return test::runCommand("umask 022; " + std::string(TERVOLEN_CLI) + " backup --settings " +
                                    dir.file("tervolen.ini"),
                                output);
    }

    // The names of the runs that may start now: this minute's and, near its end, the next one's.
    static std::vector<std::string> stampsFromNow() {
        std::time_t now = std::time(nullptr);
        return {stamp(now), stamp(now + 60)};
    }

    test::TempDir dir;
    std::string victim = dir.file("secret/victim");
};

TEST_F(ChainSecurityTest, EveryFileOfARunIsTheOwnersAloneUnderUmask022) {
    writeSettings(dir.file("new/backups"), {dir.file("mirror1"), dir.file("deep/mirror2")});
    std::string output;
    ASSERT_EQ(backup(&output), 0) << output;

    std::vector<std::string> made;
    for (const auto& entry : fs::recursive_directory_iterator(dir.path()))
        if (entry.path() != dir.file("secret") && entry.path() != fs::path(victim) &&
            entry.path() != dir.file("source.fdb"))
            made.push_back(entry.path().string());
    std::vector<std::string> archives;
    for (const std::string& path : made) {
        SCOPED_TRACE(path);
        bool folder = fs::is_directory(path);
        EXPECT_EQ(mode(path), folder ? 0700u : 0600u);
        if (path.size() > 4 && path.compare(path.size() - 4, 4, ".zip") == 0)
            archives.push_back(path);
    }
    EXPECT_EQ(archives.size(), 3u) << "the archive and its two mirror copies";
    bool logSaved = std::any_of(made.begin(), made.end(), [](const std::string& path) {
        return path.find("BackupLog.log") != std::string::npos;
    });
    EXPECT_TRUE(logSaved) << output;
}

struct PlantedLink {
    const char* where;    // "backup", "archive" or "mirror"
    int exitCode;         // of the run
    const char* reported; // a part of the line that reports it
};

class PlantedLinkTest : public ChainSecurityTest, public ::testing::WithParamInterface<PlantedLink> {};

TEST_P(PlantedLinkTest, TheVictimIsNeitherWrittenNorCopied) {
    const PlantedLink& planted = GetParam();
    const std::string backups = attackersFolder("backups");
    const std::string mirror = attackersFolder("mirror");
    writeSettings(backups, {mirror});
    std::vector<std::string> links;
    for (const std::string& stamp : stampsFromNow()) {
        std::string where = planted.where;
        std::string link = where == "backup"    ? backups + "/" + stamp + ".fbk"
                           : where == "archive" ? backups + "/" + stamp + ".zip"
                                                : mirror + "/" + stamp + ".zip";
        ASSERT_EQ(asNobody("ln -s " + victim + " " + link), 0);
        links.push_back(link);
    }

    std::string output;
    EXPECT_EQ(backup(&output), planted.exitCode) << output;
    EXPECT_NE(output.find(planted.reported), std::string::npos) << output;
    EXPECT_EQ(test::readFile(victim), kSecret);
    EXPECT_EQ(mode(victim), 0600u);
    for (const std::string& link : links)
        EXPECT_TRUE(isLink(link)) << link;
    for (const std::string& folder : {backups, mirror}) {
        for (const auto& entry : fs::directory_iterator(folder)) {
            if (!isLink(entry.path())) {
                EXPECT_EQ(test::readFile(entry.path()).find("VICTIM-SECRET"), std::string::npos) << entry.path();
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Links, PlantedLinkTest,
    ::testing::Values(PlantedLink{"backup", 1, "already exists; the backup was not started."},
                      PlantedLink{"archive", 1, "is not a ZIP archive; it is left alone."},
                      PlantedLink{"mirror", 0, "Compressed Files: 1"}),
    [](const auto& info) { return std::string(info.param.where); });

// The account without rights swaps the archive for a link to the victim right after compression put it in place,
// before the mirror, e-mail and FTP steps: every copy must hold the real archive.
TEST_F(ChainSecurityTest, AnArchiveSwappedForALinkAfterCompressionIsNotWhatTheCopiesHold) {
    const std::string backups = attackersFolder("backups");
    fs::create_directories(dir.file("ftp-home"));
    fs::create_directories(dir.file("mail"));
    test::FtpTestServer ftp(dir.file("ftp-home"), "backup", "secret");
    test::SmtpSink smtp(dir.file("mail"));
    test::FixedClock clock;
    clock.set(2026, 12, 9, 15, 30, 12);
    const std::string archive = backups + "/202612093015.zip";
    std::string archiveBytes;
    Program::Options options;
    options.registerAutostart = false;
    // Asked between the steps: the first time the archive stands, it is swapped.
    options.stopRequested = [&] {
        if (archiveBytes.empty() && fs::is_regular_file(fs::symlink_status(archive))) {
            archiveBytes = test::readFile(archive);
            EXPECT_EQ(asNobody("ln -sfn " + victim + " " + archive), 0);
        }
        return false;
    };
    HeadlessForm form;
    test::ScriptedDialogs dialogs;
    MonitorLog monitor;
    AppPaths paths{dir.path(), dir.file("tervolen.ini")};
    writeSettings(backups, {});
    Program program(form, dialogs, monitor, paths, clock, [] {}, options);
    program.startup();
    form.setText("eDirBackup", backups);
    form.addItem("MirrorListView", dir.file("mirror1"));
    form.addItem("MirrorListView", dir.file("mirror2"));
    test::setMailFields(form, smtp.port());
    test::setFtpFields(form, ftp.port());

    Program::BackupOutcome outcome = program.runBackup(false);
    EXPECT_TRUE(outcome.result);
    EXPECT_FALSE(outcome.escapedError) << (dialogs.shown.empty() ? "" : dialogs.shown.back().text);
    ASSERT_FALSE(archiveBytes.empty()) << "the archive was never swapped";
    ASSERT_TRUE(isLink(archive));
    for (const std::string& copy :
         {dir.file("mirror1/202612093015.zip"), dir.file("mirror2/202612093015.zip"), dir.file("ftp-home/202612093015.zip")})
        EXPECT_EQ(test::readFile(copy), archiveBytes) << copy;
    std::string attachment;
    test::runCommand(std::string(test::kPython3) +
                         " -c 'import email,sys; m=email.message_from_binary_file(open(sys.argv[1],\"rb\")); "
                         "sys.stdout.buffer.write([p for p in m.walk() if p.get_filename()][0].get_payload(decode=True))' " +
                         smtp.messagePath(1, ".eml"),
                     &attachment);
    EXPECT_EQ(attachment, archiveBytes) << "the mailed attachment";
    EXPECT_EQ(test::readFile(victim), kSecret);
}

} // namespace
} // namespace tervolen
