#include "app/program.h"
#include "core/autostart.h"
#include "core/headless_form.h"
#include "core/settings_file.h"
#include "fixed_clock.h"
#include "scripted_dialogs.h"
#include "temp_dir.h"
#include "unprivileged_user.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace tervolen {
namespace {

Program::Options withoutAutostart() {
    Program::Options options;
    options.registerAutostart = false;
    return options;
}

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        clock.set(2026, 12, 7, 10, 0);
        ::setenv("XDG_CONFIG_HOME", dir.file("config").c_str(), 1);
    }
    void TearDown() override { ::unsetenv("XDG_CONFIG_HOME"); }

    Program& start(Program::Options options = {}) {
        program = std::make_unique<Program>(
            form, dialogs, monitor, paths, clock, [] {}, std::move(options));
        program->startup();
        return *program;
    }

    test::TempDir dir;
    AppPaths paths{dir.path(), dir.file("tervolen.ini")};
    HeadlessForm form;
    test::ScriptedDialogs dialogs;
    MonitorLog monitor;
    test::FixedClock clock;
    std::unique_ptr<Program> program;
};

TEST_F(ProgramTest, StartupSetsTheHeaderRegistersAutostartAndArmsTheTimer) {
    test::asUnprivilegedUser(dir.path(), [this] {
        start();
        EXPECT_EQ(form.text("GradientHeaderPanel").rfind("Quillon Systems Tervolen ", 0), 0u);
        EXPECT_EQ(form.text("btnFechar"), "");
        std::string entry = test::readFile(dir.file("config/autostart/tervolen.desktop"));
        EXPECT_NE(entry.find("Exec=" + desktopExecValue(executablePath().string()) + "\n"), std::string::npos) << entry;
        EXPECT_TRUE(program->timerEnabled());
        EXPECT_TRUE(form.visible("LbInfo")) << "no weekday ticked";
        EXPECT_TRUE(dialogs.shown.empty());
    });
}

TEST_F(ProgramTest, TheAutostartEntryFollowsItsCheckBoxFromSaveToStartup) {
    test::asUnprivilegedUser(dir.path(), [this] {
        const std::string entry = dir.file("config/autostart/tervolen.desktop");
        start();
        EXPECT_TRUE(form.checked("ChkBoxAutostart")) << "a file without the key starts with the session";
        EXPECT_TRUE(std::filesystem::exists(entry));

        form.setChecked("ChkBoxAutostart", false);
        form.click("TranspButOKConfig");
        EXPECT_FALSE(std::filesystem::exists(entry));
        program.reset();
        start();
        EXPECT_FALSE(form.checked("ChkBoxAutostart"));
        EXPECT_FALSE(std::filesystem::exists(entry)) << "the next start leaves it out too";

        form.setChecked("ChkBoxAutostart", true);
        form.click("TranspButOKConfig");
        EXPECT_TRUE(std::filesystem::exists(entry));
        EXPECT_TRUE(dialogs.shown.empty()) << dialogs.shown.front().text;
    });
}

TEST_F(ProgramTest, AFailedAutostartIsReportedAndTheSettingsStillLoad) {
    test::writeFile(dir.file("config"), "a file where the folder should be");
    test::writeFile(paths.settingsFile, "[DIRECTORYS]\r\nBase=/data/x.fdb\r\n");
    test::asUnprivilegedUser(dir.path(), [this] {
        start();
        EXPECT_EQ(dialogs.texts("error"), std::vector<std::string>{"Failed to set data for 'Tervolen'."});
        EXPECT_EQ(form.text("eBase"), "/data/x.fdb");
        EXPECT_TRUE(program->timerEnabled());
    });
}

TEST_F(ProgramTest, AStartupErrorIsReportedAndTheTimerStillRuns) {
    std::filesystem::create_directory(dir.file("Mirrors.lst"));
    start();
    ASSERT_EQ(dialogs.texts("error").size(), 1u);
    EXPECT_EQ(dialogs.texts("error")[0].rfind("Cannot open file", 0), 0u);
    EXPECT_TRUE(program->timerEnabled());
}

TEST_F(ProgramTest, WindowCommandsAndCheckBoxHandlers) {
    start(withoutAutostart());
    form.click("btnHide");
    EXPECT_TRUE(form.minimized());
    form.click("AppLaunch");
    EXPECT_FALSE(form.minimized());
    form.setChecked("ChkBoxCompress", false);
    EXPECT_FALSE(form.enabled("CBCompMetho"));
    EXPECT_FALSE(form.enabled("CBCompMethoLevel"));
    form.setChecked("CheckBackupLog", true);
    EXPECT_TRUE(form.enabled("LogFileEdit"));
    EXPECT_EQ(form.text("LogFileEdit"), dir.path() + "/DefaultLogs/");
    EXPECT_FALSE(form.enabled("BtSaveBkpLog"));
    form.setText("CB_Protocol", "LOCAL");
    EXPECT_EQ(form.text("EdServerName"), "LOCALHOST");
    form.setText("CB_ChooseSGDBVer", "Firebird 2.0.x");
    EXPECT_EQ(form.text("ClientLibFilenameEdit"), "libfbclient.so.2");
    for (const char* control : {"btnFechar", "LbClose", "MenuItem1"}) {
        HeadlessForm other;
        Program closing(
            other, dialogs, monitor, paths, clock, [] {}, withoutAutostart());
        other.click(control);
        EXPECT_TRUE(other.closed()) << control;
    }
}

TEST_F(ProgramTest, ClosingWithAnHourTickedAsksFirstUntilToldNotTo) {
    const std::string question = "Quit Tervolen? No scheduled backup runs until it is started again.";
    for (const char* control : {"btnFechar", "LbClose", "MenuItem1"}) {
        SCOPED_TRACE(control);
        HeadlessForm other;
        Program closing(
            other, dialogs, monitor, paths, clock, [] {}, withoutAutostart());
        other.setItemChecked("clbHorarios", 3, true);
        dialogs.answers = {Dialogs::Answer::No};
        other.click(control);
        EXPECT_FALSE(other.closed()) << "No keeps the program";
        dialogs.answers = {Dialogs::Answer::Yes};
        other.click(control);
        EXPECT_TRUE(other.closed());
    }
    EXPECT_EQ(dialogs.texts("yesno-stop-asking"), std::vector<std::string>(6, question));

    start(withoutAutostart());
    form.setItemChecked("clbHorarios", 3, true);
    dialogs.tickDontAskAgain = true;
    dialogs.answers = {Dialogs::Answer::No};
    form.click("btnFechar");
    EXPECT_FALSE(form.closed()) << "the answer counts even when the box is ticked";
    form.click("btnFechar");
    EXPECT_TRUE(form.closed()) << "not asked again";
    EXPECT_EQ(dialogs.texts("yesno-stop-asking").size(), 7u);
}

TEST_F(ProgramTest, MirrorButtons) {
    start(withoutAutostart());
    form.setChecked("ChkBoxCompress", false);
    dialogs.answers = {Dialogs::Answer::No};
    form.click("JvTransparentButton3");
    EXPECT_EQ(dialogs.texts("yesnocancel"),
              std::vector<std::string>{"You must enable backup file compression to mirroring files. \r\n"
                                       "Do you want to enable backup compression now?"});
    EXPECT_EQ(form.activePage(), static_cast<int>(Page::Schedule));
    dialogs.answers = {Dialogs::Answer::Yes};
    form.click("JvTransparentButton3");
    EXPECT_EQ(form.activePage(), static_cast<int>(Page::Config));
    EXPECT_EQ(form.focused(), "ChkBoxCompress");
    EXPECT_FALSE(form.checked("ChkBoxCompress"));
    EXPECT_EQ(form.itemCount("MirrorListView"), 0);

    form.setChecked("ChkBoxCompress", true);
    dialogs.paths = {std::string("/mnt/mirror"), std::nullopt};
    form.click("JvTransparentButton3");
    form.click("JvTransparentButton3");
    ASSERT_EQ(form.itemCount("MirrorListView"), 1);
    EXPECT_EQ(form.itemText("MirrorListView", 0), "/mnt/mirror");
    form.click("JvTransparentButton4");
    EXPECT_EQ(form.itemCount("MirrorListView"), 1) << "nothing selected";
    form.setItemIndex("MirrorListView", 0);
    form.click("JvTransparentButton4");
    EXPECT_EQ(form.itemCount("MirrorListView"), 0);
    EXPECT_TRUE(dialogs.texts("error").empty());
}

TEST_F(ProgramTest, SaveErrorsGoToTheDefaultErrorReport) {
    start(withoutAutostart());
    test::writeFile(dir.file("DefaultRestores"), "in the way");
    for (auto [control, text] : {std::pair{"CB_ChooseSGDBVer", "Firebird 2.0.x"},
                                 {"CB_Protocol", "TCP/IP"},
                                 {"EdServerName", "h"},
                                 {"ClientLibFilenameEdit", "l"},
                                 {"EdUserName", "u"},
                                 {"EdPswd", "p"},
                                 {"CB_BkpExt", ".fbk"}})
        form.setText(control, text);
    form.click("TranspButOkSchedule");
    EXPECT_EQ(dialogs.texts("error"), std::vector<std::string>{dir.file("DefaultRestores") + "."});
}

TEST_F(ProgramTest, ConfigOkSavesTheArchivePasswordOnlyWhenBothFieldsAgree) {
    start(withoutAutostart());
    form.setActivePage(static_cast<int>(Page::Config));
    form.setChecked("ChkBoxEncrypt", true);
    form.setText("EdArchivePswd", "first");
    form.setText("EdArchivePswdAgain", "frist");
    form.click("TranspButOKConfig");
    EXPECT_EQ(dialogs.texts("message"), std::vector<std::string>{"The two archive passwords differ."});
    EXPECT_EQ(form.focused(), "EdArchivePswdAgain");
    EXPECT_EQ(test::readFile(paths.settingsFile).find("ENCRYPTION"), std::string::npos) << "nothing saved";

    form.setText("EdArchivePswdAgain", "first");
    form.click("TranspButOKConfig");
    EXPECT_EQ(dialogs.texts("message").size(), 1u) << "no second complaint";
    std::string password;
    withSettings(paths.settingsFile,
                 [&](SettingsFile& s) { password = s.readText("ENCRYPTION", "Password", "<missing>"); });
    EXPECT_EQ(password, "first");
}

} // namespace
} // namespace tervolen
