// The program installed into a fresh prefix as a package would install it, run by a user whose HOME and XDG
// folders are fresh too: its files follow the FHS and the validators of each kind of file accept them.
#include "built_version.h"
#include "child_process.h"
#include "core/settings_file.h"
#include "firebird_server.h"
#include "temp_dir.h"
#include "unprivileged_user.h"
#include "test_config.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace tervolen {
namespace {

namespace fs = std::filesystem;

// Every file below folder with its size and modification time, so that any write shows.
std::map<std::string, std::string> snapshot(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        std::string state = entry.is_regular_file() ? std::to_string(entry.file_size()) : "";
        state += "@" + std::to_string(entry.last_write_time().time_since_epoch().count());
        files[fs::relative(entry.path(), folder).string()] = state;
    }
    return files;
}

class InstalledProgram : public ::testing::Test {
protected:
    void SetUp() override {
        std::string output;
        ASSERT_EQ(test::runCommand(std::string(TERVOLEN_CMAKE) + " --install " + test::kBinaryDir + " --prefix " +
                                       prefix,
                                   &output),
                  0)
            << output;
        fs::create_directory(home);
        ::setenv("HOME", home.c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", homeFile("config").c_str(), 1);
        ::setenv("XDG_DATA_HOME", homeFile("data").c_str(), 1);
        installed = snapshot(prefix);
    }

    std::string at(const std::string& relative) const { return prefix + "/" + relative; }

    int cli(const std::string& arguments, std::string* output) const {
        return test::runCommand(at("bin/tervolen-cli") + " " + arguments + " 2>&1", output);
    }

    std::string homeFile(const std::string& name) const { return home + "/" + name; }

    // Both below one folder, which an unprivileged user can be given.
    test::TempDir root;
    std::string prefix = root.file("prefix");
    std::string home = root.file("home");
    std::map<std::string, std::string> installed;
};

TEST_F(InstalledProgram, PutsEachFileInItsStandardPlace) {
    const char* files[] = {
        "bin/tervolen",
        "bin/tervolen-cli",
        "share/tervolen/lang/enusa.lng",
        "share/tervolen/lang/ptbr.lng",
        "share/tervolen/lang/deu.lng",
        "share/tervolen/lang/span.lng",
        "share/tervolen/lang/ru.lng",
        "share/applications/tervolen.desktop",
        "share/metainfo/tervolen.metainfo.xml",
        "share/icons/hicolor/scalable/apps/tervolen.svg",
        "share/icons/hicolor/16x16/apps/tervolen.png",
        "share/icons/hicolor/48x48/apps/tervolen.png",
        "share/icons/hicolor/256x256/apps/tervolen.png",
        "share/man/man1/tervolen.1.gz",
        "share/man/man1/tervolen-cli.1.gz",
        "share/doc/tervolen/copyright",
        "lib/systemd/system/tervolen.service",
        "lib/systemd/user/tervolen.service",
        "lib/sysusers.d/tervolen.conf",
    };
    for (const char* file : files)
        EXPECT_TRUE(fs::is_regular_file(at(file))) << file;
    EXPECT_FALSE(fs::exists(at("bin/Lang")));
    std::string output;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const std::string png =
            at("share/icons/hicolor/" + std::to_string(size) + "x" + std::to_string(size) + "/apps/tervolen.png");
        ASSERT_EQ(test::runCommand("file --brief " + png, &output), 0);
        EXPECT_NE(output.find(std::to_string(size) + " x " + std::to_string(size)), std::string::npos) << output;
    }
}

// Each validator with the installed file it checks; a validator that passes prints nothing worth reading,
// so its output is shown only on failure, except for man, whose warnings do not change its exit status.
TEST_F(InstalledProgram, PassesTheValidatorOfEachKindOfFile) {
    test::TempDir runtime;
    const std::vector<std::string> validations = {
        "desktop-file-validate " + at("share/applications/tervolen.desktop"),
        "appstreamcli validate --no-net " + at("share/metainfo/tervolen.metainfo.xml"),
        // systemd looks for the manual pages that Documentation names.
        "MANPATH=" + at("share/man") + " systemd-analyze verify " + at("lib/systemd/system/tervolen.service"),
        "MANPATH=" + at("share/man") + " XDG_RUNTIME_DIR=" + runtime.path() + " systemd-analyze --user verify " +
            at("lib/systemd/user/tervolen.service"),
    };
    for (const std::string& command : validations) {
        std::string output;
        EXPECT_EQ(test::runCommand(command, &output), 0) << command << "\n" << output;
    }
    for (const char* page : {"tervolen.1.gz", "tervolen-cli.1.gz"}) {
        std::string output;
        EXPECT_EQ(test::runCommand(std::string("(MANWIDTH=80 man --warnings -l ") + at("share/man/man1/") + page +
                                       " 2>&1 >/dev/null)",
                                   &output),
                  0);
        EXPECT_EQ(output, "") << page;
    }
}

TEST_F(InstalledProgram, TellsItsVersionAndTheFoldersOfTheUser) {
    std::string output;
    ASSERT_EQ(cli("--version", &output), 0) << output;
    EXPECT_EQ(output, test::builtVersion());
    ASSERT_EQ(cli("paths", &output), 0) << output;
    const std::string config = homeFile("config/tervolen");
    const std::string data = homeFile("data/tervolen");
    EXPECT_EQ(output, "mode:       installed\n"
                      "executable: " +
                          at("bin/tervolen-cli") +
                          "\n"
                          "settings:   " +
                          config +
                          "/tervolen.ini\n"
                          "mirrors:    " +
                          config +
                          "/Mirrors.lst\n"
                          "journal:    " +
                          config +
                          "/tervolen.journal\n"
                          "lock:       " +
                          config +
                          "/.tervolen.ini.lock\n"
                          "logs:       " +
                          data +
                          "/DefaultLogs/\n"
                          "backups:    " +
                          data +
                          "/DefaultBackups\n"
                          "restores:   " +
                          data +
                          "/DefaultRestores\n"
                          "languages:  " +
                          at("share/tervolen/lang") +
                          "\n"
                          "autostart:  " +
                          homeFile("config/autostart/tervolen.desktop") + "\n");
    EXPECT_TRUE(test::listing(home).empty());
}

TEST_F(InstalledProgram, APortableFileKeepsEverythingBesideTheExecutable) {
    test::writeFile(at("bin/portable"), "");
    std::string output;
    ASSERT_EQ(cli("paths", &output), 0) << output;
    EXPECT_EQ(output.substr(0, output.find('\n')), "mode:       portable");
    EXPECT_NE(output.find("settings:   " + at("bin/tervolen.ini") + "\n"), std::string::npos) << output;
    EXPECT_NE(output.find("languages:  " + at("bin/Lang") + "\n"), std::string::npos) << output;
}

// Root writes no autostart entry, so the window runs as an ordinary user.
TEST_F(InstalledProgram, TheWindowKeepsItsSettingsLockAndAutostartEntryInTheUsersFolders) {
    test::asUnprivilegedUser(root.path(), [this] {
        {
            test::ChildProcess window({at("bin/tervolen")});
            // The settings file is made once the settings are loaded, after the lock and the autostart entry.
            const std::string settings = homeFile("config/tervolen/tervolen.ini");
            for (int i = 0; i < 6000 && !fs::exists(settings); ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            ASSERT_TRUE(fs::exists(settings));
            EXPECT_TRUE(fs::exists(homeFile("config/tervolen/.tervolen.ini.lock")));
            EXPECT_EQ(window.stop(), "exit 0");
        }
        EXPECT_EQ(fs::status(homeFile("config/tervolen")).permissions(), fs::perms::owner_all);
        EXPECT_EQ(fs::status(homeFile("config/tervolen/tervolen.ini")).permissions(),
                  fs::perms::owner_read | fs::perms::owner_write);
        const std::string entry = homeFile("config/autostart/tervolen.desktop");
        const std::string text = test::readFile(entry);
        EXPECT_NE(text.find("\nExec=" + at("bin/tervolen") + "\n"), std::string::npos) << text;
        EXPECT_NE(text.find("\nIcon=tervolen\n"), std::string::npos) << text;
        EXPECT_NE(text.find("\nName=Tervolen\n"), std::string::npos) << text;
        std::string output;
        EXPECT_EQ(test::runCommand("desktop-file-validate " + entry, &output), 0) << output;
    });
    EXPECT_EQ(snapshot(prefix), installed);
}

TEST_F(InstalledProgram, BacksUpThroughTheServerWithTheSettingsOfTheUsersConfigFolder) {
    const test::FirebirdServer& server = test::theFirebirdServer();
    test::ServerFolder backups;
    fs::create_directories(homeFile("config/tervolen"));
    withSettings(homeFile("config/tervolen/tervolen.ini"), [&](SettingsFile& s) {
        s.writeText("DIRECTORYS", "Base", server.database);
        s.writeText("DIRECTORYS", "BackUpDir", backups.path());
        s.writeText("PROTOCOL", "Type", "TCP/IP");
        s.writeText("SERVERNAME", "Name", server.serverName());
        s.writeText("CLIENTLIB", "ClientLib", server.clientLibrary);
        s.writeText("USERNAME", "UserName", server.user);
        s.writeText("PASSWORD", "Pswd", server.password);
        s.writeText("BKPEXT", "Ext", ".fbk");
        s.writeText("COMPRESSION", "Checked", "1");
    });
    std::string output;
    ASSERT_EQ(cli("backup", &output), 0) << output;
    EXPECT_NE(output.find("=========== Backup Finished ========"), std::string::npos) << output;
    std::vector<std::string> made = test::listing(backups.path());
    ASSERT_EQ(made.size(), 2u) << output;
    EXPECT_TRUE(made[0].ends_with(".fbk") && made[1].ends_with(".zip")) << made[0] << " " << made[1];
    EXPECT_EQ(snapshot(prefix), installed);
}

} // namespace
} // namespace tervolen
