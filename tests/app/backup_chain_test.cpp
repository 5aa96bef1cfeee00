// A whole backup run through the program: the backup (embedded service manager), then compression,
// mirrors, e-mail to a real SMTP server and upload to a real FTP server.
#include "app/program.h"
#include "connection_fields.h"
#include "embedded_program_test.h"
#include "ftp_test_server.h"
#include "monitor_lines.h"
#include "smtp_sink.h"
#include "temp_dir.h"
#include "test_config.h"
#include "zip_test_readers.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace tervolen {
namespace {

namespace fs = std::filesystem;

class BackupChainTest : public test::EmbeddedProgramTest {
protected:
    void SetUp() override {
        clock.set(2026, 12, 9, 15, 30, 12);
        EmbeddedProgramTest::SetUp();
    }

    std::string archive(const char* extension) const { return dir.file("backups/202612093015") + extension; }

    std::vector<std::string> texts() const { return test::monitorTexts(monitor); }

    static std::string python(const std::string& code) {
        std::string output;
        test::runCommand(std::string(test::kPython3) + " -c '" + code + "'", &output);
        return output;
    }
};

TEST_F(BackupChainTest, CompressionTwoMirrorsMailAndFtpDeliverTheSameBytes) {
    fs::create_directories(dir.file("mail"));
    fs::create_directories(dir.file("ftp-home"));
    test::SmtpSink smtp(dir.file("mail"));
    test::FtpTestServer ftp(dir.file("ftp-home"), "backup", "secret");
    form.addItem("MirrorListView", dir.file("mirror1"));
    form.addItem("MirrorListView", dir.file("deep/mirror2"));
    test::setMailFields(form, smtp.port());
    test::setFtpFields(form, ftp.port());

    Program::BackupOutcome outcome = program->runBackup(false);
    EXPECT_TRUE(outcome.result);
    EXPECT_FALSE(outcome.escapedError) << (dialogs.shown.empty() ? "" : dialogs.shown.back().text);
    auto lines = texts();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], "Compressing File Please Wait... ");
    EXPECT_EQ(lines.back(), "Compressed Files: 1");

    std::string zip = archive(".zip");
    ASSERT_TRUE(fs::exists(zip));
    std::string output;
    EXPECT_EQ(test::runCommand("unzip -t " + zip, &output), 0) << output;
    std::string bytes = test::readFile(zip);
    EXPECT_EQ(test::readFile(dir.file("mirror1/202612093015.zip")), bytes);
    EXPECT_EQ(test::readFile(dir.file("deep/mirror2/202612093015.zip")), bytes);
    EXPECT_EQ(test::readFile(dir.file("ftp-home/202612093015.zip")), bytes);

    std::string attachment =
        python("import email,sys; m=email.message_from_binary_file(open(\"" + smtp.messagePath(1, ".eml") +
               "\",\"rb\")); p=[x for x in m.walk() if x.get_filename()][0]; "
               "sys.stdout.write(p.get_filename()+\" \"+str(p.get_payload(decode=True)==open(\"" +
               zip + "\",\"rb\").read()))");
    EXPECT_EQ(attachment, "202612093015.zip True");
}

// A real backup coded on two threads, in both methods, is one ordinary entry for every reader.
TEST_F(BackupChainTest, ARealBackupCompressedOnTwoThreadsOpensInEveryReader) {
    for (const auto& [method, extension] : {std::pair{0, ".zip"}, std::pair{1, ".bz2"}}) {
        SCOPED_TRACE(extension);
        form.setItemIndex("CBCompMetho", method);
        form.setText("SECompThreads", "2");
        ASSERT_TRUE(program->runBackup(false).result);
        ASSERT_TRUE(fs::exists(archive(extension)));
        test::expectReadersAccept(archive(extension), {{"202612093015.fbk", archive(".fbk")}});
        fs::remove(archive(extension));
        fs::remove(archive(".fbk"));
    }
}

// What leaves the machine is encrypted: both mirrors hold the same archive, which 7-Zip opens only with the password.
TEST_F(BackupChainTest, AnEncryptedArchiveReachesTwoMirrorsAndOpensInSevenZipWithThePassword) {
    form.addItem("MirrorListView", dir.file("mirror1"));
    form.addItem("MirrorListView", dir.file("deep/mirror2"));
    form.setChecked("ChkBoxEncrypt", true);
    form.setText("EdArchivePswd", "c0rrect horse");
    form.setText("EdArchivePswdAgain", "c0rrect horse");

    Program::BackupOutcome outcome = program->runBackup(false);
    ASSERT_TRUE(outcome.result) << (dialogs.shown.empty() ? "" : dialogs.shown.back().text);
    const std::string zip = archive(".zip");
    const std::string bytes = test::readFile(zip);
    ASSERT_FALSE(bytes.empty());
    EXPECT_EQ(test::readFile(dir.file("mirror1/202612093015.zip")), bytes);
    EXPECT_EQ(test::readFile(dir.file("deep/mirror2/202612093015.zip")), bytes);

    const std::string mirror = dir.file("deep/mirror2/202612093015.zip");
    std::string output;
    EXPECT_EQ(test::runCommand("7z x -so '-pc0rrect horse' " + mirror + " > " + dir.file("extracted.fbk"), &output),
              0)
        << output;
    EXPECT_EQ(test::readFile(dir.file("extracted.fbk")), test::readFile(archive(".fbk")));
    EXPECT_NE(test::runCommand("7z t -pwrong " + mirror, &output), 0) << output;
}

// Each ticked delivery step runs whenever an archive was made, mirrors or not.
TEST_F(BackupChainTest, Bzip2WithoutMirrorsIsStillMailedAndUploaded) {
    fs::create_directories(dir.file("mail"));
    fs::create_directories(dir.file("ftp-home"));
    test::SmtpSink smtp(dir.file("mail"));
    test::FtpTestServer ftp(dir.file("ftp-home"), "backup", "secret");
    form.setItemIndex("CBCompMetho", 1);
    test::setMailFields(form, smtp.port());
    test::setFtpFields(form, ftp.port());
    EXPECT_TRUE(program->runBackup(false).result);
    EXPECT_TRUE(dialogs.shown.empty()) << dialogs.shown.front().text;
    EXPECT_FALSE(fs::exists(archive(".zip")));
    const std::string bytes = test::readFile(archive(".bz2"));
    ASSERT_FALSE(bytes.empty());
    EXPECT_EQ(test::readFile(dir.file("ftp-home/202612093015.bz2")), bytes);
    EXPECT_TRUE(fs::exists(smtp.messagePath(1, ".eml")));
}

TEST_F(BackupChainTest, WithoutCompressionNothingIsMadeOrSent) {
    form.setChecked("ChkBoxCompress", false);
    form.addItem("MirrorListView", dir.file("mirror"));
    form.setChecked("ChkBoxBkpMail", true);
    form.setText("EdSMTPPort", "not a port");
    EXPECT_TRUE(program->runBackup(false).result);
    EXPECT_TRUE(fs::exists(dir.file("backups/202612093015.fbk")));
    EXPECT_FALSE(fs::exists(archive(".zip")));
    EXPECT_FALSE(fs::exists(dir.file("mirror")));
    EXPECT_TRUE(dialogs.shown.empty()) << "no e-mail step without an archive";
}

TEST_F(BackupChainTest, AnUnreachableMailServerIsReportedAtTheTopAndFtpStillRuns) {
    constexpr int kClosedPort = 1; // nothing listens there on loopback
    fs::create_directories(dir.file("ftp-home"));
    test::FtpTestServer ftp(dir.file("ftp-home"), "backup", "secret");
    form.addItem("MirrorListView", dir.file("mirror"));
    test::setMailFields(form, kClosedPort);
    test::setFtpFields(form, ftp.port());
    EXPECT_TRUE(program->runBackup(false).result);
    EXPECT_EQ(texts().front().rfind("ERROR: Socket Error # 111", 0), 0u) << texts().front();
    ASSERT_TRUE(fs::exists(archive(".zip")));
    EXPECT_EQ(test::readFile(dir.file("ftp-home/202612093015.zip")), test::readFile(archive(".zip")));
}

TEST_F(BackupChainTest, AnFtpFailureReachesTheDefaultErrorReportOnceAndAScheduledRunKeepsGoing) {
    form.addItem("MirrorListView", dir.file("mirror"));
    form.setChecked("ChkBoxBkpMail", true);
    form.setText("ledHost", "");
    form.setText("EdSMTPPort", "25");
    form.setChecked("ChkBoxSentFTP", true);
    form.setText("LedFTPPort", "21 ");
    Program::BackupOutcome manual = program->runBackup(false);
    EXPECT_TRUE(manual.escapedError);
    EXPECT_EQ(dialogs.texts("error"), std::vector<std::string>{"'21 ' is not a valid integer value."});

    clock.set(2026, 12, 9, 15, 31, 0); // a new backup name: the archive of the first run holds its entry
    Program::BackupOutcome scheduled = program->runBackup(true);
    EXPECT_TRUE(scheduled.escapedError);
    EXPECT_TRUE(scheduled.requestSent);
    EXPECT_EQ(dialogs.texts("error").size(), 1u) << "a scheduled run reports on the Monitor";
    EXPECT_EQ(texts().back(), "'21 ' is not a valid integer value");
    EXPECT_EQ(monitor.paragraph(monitor.size() - 1).color, kRed);
}

} // namespace
} // namespace tervolen
