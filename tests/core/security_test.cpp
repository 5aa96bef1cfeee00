#include "core/atomic_file.h"
#include "core/autostart.h"
#include "core/headless_form.h"
#include "core/settings_file.h"
#include "core/settings_pages.h"
#include "core/startup.h"
#include "scripted_dialogs.h"
#include "temp_dir.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

namespace tervolen {
namespace {

namespace fs = std::filesystem;

class AutostartEntryTest : public ::testing::Test {
protected:
    void SetUp() override { ::setenv("XDG_CONFIG_HOME", dir.path().c_str(), 1); }
    void TearDown() override { ::unsetenv("XDG_CONFIG_HOME"); }

    std::string entryPath() const { return dir.file("autostart/tervolen.desktop"); }

    test::TempDir dir;
};

TEST_F(AutostartEntryTest, ALinkAtTheEntryNameIsReplacedAndItsTargetStaysUnchanged) {
    const std::string victim = dir.file("victim");
    test::writeFile(victim, "precious\n");
    fs::create_directory(dir.file("autostart"));
    fs::create_symlink(victim, entryPath());

    registerAutostart("Tervolen", "/usr/bin/tervolen");

    EXPECT_EQ(test::readFile(victim), "precious\n");
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(entryPath())));
    EXPECT_NE(test::readFile(entryPath()).find("\nExec=/usr/bin/tervolen\n"), std::string::npos);
}

TEST_F(AutostartEntryTest, AFollowingWriteStillReplacesTheFileBehindALink) {
    const std::string behind = dir.file("behind");
    test::writeFile(behind, "old");
    fs::create_symlink(behind, dir.file("name"));
    writeFileAtomically(dir.file("name"), "new");
    EXPECT_TRUE(fs::is_symlink(dir.file("name")));
    EXPECT_EQ(test::readFile(behind), "new");
}

TEST(DesktopExecValue, QuotesAndEscapesAsDesktopEntriesRequire) {
    struct Case {
        std::string path;
        std::string line; // as it stands in the file
    };
    const Case cases[] = {
        {"/opt/tervolen/tervolen", "/opt/tervolen/tervolen"},
        {"/opt/100%/tervolen", "/opt/100%%/tervolen"},
        {"/opt/my apps/tervolen", "\"/opt/my apps/tervolen\""},
        {"/opt/50% off/tervolen", "\"/opt/50%% off/tervolen\""},
        {"/opt/a\"b/tervolen", "\"/opt/a\\\\\"b/tervolen\""},
        {"/opt/$HOME/tervolen", "\"/opt/\\\\$HOME/tervolen\""},
        {"/opt/a\\b/tervolen", "\"/opt/a\\\\\\\\b/tervolen\""},
        {"/opt/a`b`/tervolen", "\"/opt/a\\\\`b\\\\`/tervolen\""},
        {"/opt/it's/tervolen", "\"/opt/it's/tervolen\""},
        {"/opt/tab\there/tervolen", "\"/opt/tab\\there/tervolen\""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(desktopExecValue(c.path), c.line) << c.path;
}

TEST_F(AutostartEntryTest, AnEntryForAPathWithEveryReservedCharacterValidates) {
    registerAutostart("Tervolen", "/opt/my apps/100% \"new\" $HOME `x` back\\slash/tervolen");
    std::string output;
    EXPECT_EQ(test::runCommand("desktop-file-validate " + entryPath() + " 2>&1", &output), 0) << output;
    EXPECT_EQ(output, "");
}

class SampleTextTest : public ::testing::Test {
protected:
    test::TempDir dir;
    AppPaths paths{dir.path(), dir.file("tervolen.ini")};
    HeadlessForm form;
    test::ScriptedDialogs dialogs;
};

TEST_F(SampleTextTest, SettingsWithoutMailAndFtpKeysLeaveTheFieldsEmptyAndASaveStoresNoSample) {
    test::writeFile(paths.settingsFile, "[SENDBACKUPMAIL]\r\nSend=Checked\r\n[SMTP]\r\nHost=mail.local\r\n");
    loadSettingsIntoForm(form, paths, {});
    for (const char* control : {"ledFrom", "ledTo", "ledCC", "EdSMTPUser", "EdSMTPpswd", "EdSMTPPort", "LedFTPAdress",
                                "LedUserName", "LedPassword", "LedFTPPort"})
        EXPECT_EQ(form.text(control), "") << control;
    EXPECT_EQ(form.text("ledHost"), "mail.local");

    form.setText("CB_ChooseSGDBVer", "Firebird 2.0.x");
    form.setText("CB_Protocol", "TCP/IP");
    form.setText("EdServerName", "dbhost");
    form.setText("ClientLibFilenameEdit", "libfbclient.so.2");
    form.setText("EdUserName", "sysdba");
    form.setText("EdPswd", "masterkey");
    form.setText("CB_BkpExt", ".fbk");
    saveSchedulePage(form, dialogs, paths);

    ASSERT_TRUE(dialogs.shown.empty());
    const std::string text = test::readFile(paths.settingsFile);
    for (const char* sample : {"example.com", "1234567890", "=587", "=25", "=backup\r"})
        EXPECT_EQ(text.find(sample), std::string::npos) << sample << " in\n" << text;
    const SettingsFile saved = SettingsFile::openSettings(paths.settingsFile);
    EXPECT_EQ(saved.readText("SMTP", "cc", "<missing>"), "");
    EXPECT_EQ(saved.readText("SMTP", "Host", "<missing>"), "mail.local");
}

} // namespace
} // namespace tervolen
