#include "app/console_monitor.h"
#include "app/program.h"
#include "core/folder_safety.h"
#include "core/headless_form.h"
#include "core/settings_file.h"
#include "child_process.h"
#include "fixed_clock.h"
#include "scripted_dialogs.h"
#include "temp_dir.h"
#include "test_config.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tervolen {
namespace {

namespace fs = std::filesystem;

constexpr uid_t kNobody = 65534;

TEST(HardenedBuild, ExecutablesCarryTheHardeningOfTheirBuild) {
    for (const char* binary : {test::kTervolen, test::kTervolenCli}) {
        SCOPED_TRACE(binary);
        std::string header, dynamic, segments, symbols;
        ASSERT_EQ(test::runCommand(std::string("readelf -hW ") + binary, &header), 0);
        ASSERT_EQ(test::runCommand(std::string("readelf -dW ") + binary, &dynamic), 0);
        ASSERT_EQ(test::runCommand(std::string("readelf -lW ") + binary, &segments), 0);
        ASSERT_EQ(test::runCommand(std::string("readelf --dyn-syms -W ") + binary, &symbols), 0);
        EXPECT_NE(header.find("Type:                              DYN"), std::string::npos) << header;
        EXPECT_TRUE(dynamic.find("BIND_NOW") != std::string::npos || dynamic.find("Flags: NOW") != std::string::npos)
            << dynamic;
        EXPECT_NE(dynamic.find("PIE"), std::string::npos) << dynamic;
        EXPECT_NE(segments.find("GNU_RELRO"), std::string::npos);
        EXPECT_NE(symbols.find("__stack_chk_fail"), std::string::npos);
#ifdef TERVOLEN_FORTIFIED
        bool fortified = false;
        for (const char* call : {"__printf_chk", "__fprintf_chk", "__snprintf_chk", "__memcpy_chk", "__read_chk"})
            fortified = fortified || symbols.find(std::string(call) + "@") != std::string::npos;
        EXPECT_TRUE(fortified) << "no checked libc call of _FORTIFY_SOURCE";
#endif
    }
}


std::string procFileLine(pid_t pid, const std::string& file, const std::string& start) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/" + file);
    for (std::string line; std::getline(in, line);)
        if (line.rfind(start, 0) == 0)
            return line;
    return "";
}

TEST(HardenedProcess, TheSchedulerRunsWithUmask077AndNoCoreFiles) {
    test::TempDir dir;
    // An open folder makes the scheduler print its warning at once: the line shows it has started.
    fs::permissions(dir.path(), fs::perms::all);
    // Made with the test's own umask: the program narrows it to its owner.
    test::writeFile(dir.file("tervolen.ini"), "");
    fs::permissions(dir.file("tervolen.ini"), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                                                  fs::perms::others_read);
    test::ChildProcess cli({test::kTervolenCli, "run", "--settings", dir.file("tervolen.ini")});
    const std::string first = cli.line();
    ASSERT_NE(first.find(anyoneMayWriteWarning(dir.path())), std::string::npos) << first;
    EXPECT_EQ(procFileLine(cli.pid(), "status", "Umask:"), "Umask:\t0077");
    const std::string limit = procFileLine(cli.pid(), "limits", "Max core file size");
    EXPECT_NE(limit.find(" 0                    0 "), std::string::npos) << limit;
    EXPECT_EQ(cli.stop(), "exit 0");
    EXPECT_EQ(fs::status(dir.file("tervolen.ini")).permissions() & fs::perms::mask,
              fs::perms::owner_read | fs::perms::owner_write);
}

// Files of root and of another user for the program run as root. The folder lies in the build folder, whose
// folders up to / belong to root: a library in its root-only part may be loaded.
class RootTrustTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!runningAsRoot())
            GTEST_SKIP() << "needs root";
        std::string pattern = std::string(test::kBinaryDir) + "/security-test-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        base = pattern;
        fs::create_directory(rootOnly());
        fs::permissions(rootOnly(), fs::perms::owner_all);
        fs::create_directory(theirs());
        ASSERT_EQ(::chown(theirs().c_str(), kNobody, kNobody), 0);
        fs::copy_file(test::kMarkerLibrary, rootOnly() + "/libtervolen_marker.so");
        // A folder like /tmp: everybody may add names, nobody may move or remove another's.
        fs::create_directories(sticky() + "/root");
        ::chmod(sticky().c_str(), 01777);
        ::chmod((sticky() + "/root").c_str(), 0700);
        fs::copy_file(test::kMarkerLibrary, sticky() + "/root/libtervolen_marker.so");
        fs::copy_file(test::kMarkerLibrary, theirs() + "/libtervolen_marker.so");
        ASSERT_EQ(::chown((theirs() + "/libtervolen_marker.so").c_str(), kNobody, kNobody), 0);
        ::setenv("TERVOLEN_MARKER", marker().c_str(), 1);
    }
    void TearDown() override {
        ::unsetenv("TERVOLEN_MARKER");
        std::error_code ignored;
        if (!base.empty())
            fs::remove_all(base, ignored);
    }

    std::string rootOnly() const { return base + "/root-only"; }
    std::string theirs() const { return base + "/theirs"; }
    std::string sticky() const { return base + "/sticky"; }
    std::string marker() const { return base + "/marker"; }
    std::string settings() const { return rootOnly() + "/tervolen.ini"; }

    void writeSettings(const std::string& clientLib) {
        withSettings(settings(), [&](SettingsFile& s) {
            s.writeText("DIRECTORYS", "Base", rootOnly() + "/none.fdb");
            s.writeText("DIRECTORYS", "BackUpDir", rootOnly() + "/backups");
            s.writeText("PROTOCOL", "Type", "LOCAL");
            s.writeText("CLIENTLIB", "ClientLib", clientLib);
            s.writeText("USERNAME", "UserName", "SYSDBA");
            s.writeText("BKPEXT", "Ext", ".fbk");
            s.writeText("COMPRESSION", "Checked", "0");
        });
    }

    int backup(std::string& output, const std::string& environment = "") {
        return test::runCommand(
            environment + std::string(test::kTervolenCli) + " backup --settings " + settings() + " 2>&1", &output);
    }

    std::string base;
};

TEST_F(RootTrustTest, ASettingsFileOrMirrorListAnotherUserCouldChangeIsRefused) {
    struct Case {
        const char* what;
        std::function<void()> spoil;
        std::string file; // named in the error
        const char* reason;
    };
    const std::vector<Case> cases = {
        {"settings file of another user", [this] { ASSERT_EQ(::chown(settings().c_str(), kNobody, kNobody), 0); },
         "tervolen.ini", "owned by user 65534"},
        {"group-writable settings file",
         [this] { fs::permissions(settings(), fs::perms::group_write, fs::perm_options::add); }, "tervolen.ini",
         "group or others may write it"},
        {"mirror list of another user",
         [this] {
             test::writeFile(rootOnly() + "/Mirrors.lst", "");
             ASSERT_EQ(::chown((rootOnly() + "/Mirrors.lst").c_str(), kNobody, kNobody), 0);
         },
         "Mirrors.lst", "owned by user 65534"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove(rootOnly() + "/Mirrors.lst");
        fs::remove(settings());
        writeSettings(theirs() + "/libtervolen_marker.so");
        c.spoil();
        std::string output;
        EXPECT_EQ(backup(output), 2) << output;
        EXPECT_NE(output.find("Refused the file \"" + rootOnly() + "/" + c.file + "\" as root: "), std::string::npos)
            << output;
        EXPECT_NE(output.find(c.reason), std::string::npos) << output;
        EXPECT_FALSE(fs::exists(marker()));
    }
}

TEST_F(RootTrustTest, AClientLibraryIsLoadedOnlyByBareNameOrFromRootOnlyFolders) {
    struct Case {
        std::string clientLib;
        std::string environment;
        bool loaded;
    };
    const Case cases[] = {
        {theirs() + "/libtervolen_marker.so", "", false},
        {rootOnly() + "/../theirs/libtervolen_marker.so", "", false},
        {"theirs/libtervolen_marker.so", "cd " + base + " && ", false},
        {rootOnly() + "/libtervolen_marker.so", "", true},
        {sticky() + "/root/libtervolen_marker.so", "", true},
        {sticky() + "/libtervolen_missing.so", "", false},
        {"libtervolen_marker.so", "LD_LIBRARY_PATH=" + rootOnly() + " ", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.clientLib);
        fs::remove(marker());
        fs::remove(settings());
        writeSettings(c.clientLib);
        std::string output;
        EXPECT_EQ(backup(output, c.environment), 1) << output;
        EXPECT_EQ(fs::exists(marker()), c.loaded) << output;
        const bool refused =
            output.find("Refused to load the client library \"" + c.clientLib + "\" as root") != std::string::npos;
        EXPECT_EQ(refused, !c.loaded) << output;
    }
}

TEST(RootStart, ProgramRegistersNoAutostartEntry) {
    if (!runningAsRoot())
        GTEST_SKIP() << "needs root";
    test::TempDir dir;
    ::setenv("XDG_CONFIG_HOME", dir.file("config").c_str(), 1);
    HeadlessForm form;
    test::ScriptedDialogs dialogs;
    MonitorLog monitor;
    test::FixedClock clock;
    Program program(form, dialogs, monitor, AppPaths{dir.path(), dir.file("tervolen.ini")}, clock, [] {}, {});
    program.startup();
    ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_FALSE(fs::exists(dir.file("config/autostart")));
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_TRUE(program.timerEnabled());
}

TEST(TerminalOutput, ControlCharactersOfServerTextsArePrintedAsText) {
    MonitorLog log;
    std::unique_ptr<FILE, int (*)(FILE*)> out(std::tmpfile(), &std::fclose);
    ConsoleMonitorPrinter printer(log, out.get(), true, {});
    MonitorLog::Subscription printing = log.addListener(printer);
    log.addMonitorLine("gbak: \x1b[2Jcleared\a bell\x7f del\x01 \xc2\x9b"
                       "c1 caf\xc3\xa9\ttab",
                       kRed, 10);
    log.addMonitorLine("first\r\nsecond\rthird", kWindowText, 10);
    std::fflush(out.get());
    std::rewind(out.get());
    std::string printed;
    for (int c; (c = std::fgetc(out.get())) != EOF;)
        printed += static_cast<char>(c);
    EXPECT_EQ(printed, "\x1b[31mgbak: \\x1b[2Jcleared\\x07 bell\\x7f del\\x01 \\xc2\\x9bc1 caf\xc3\xa9\ttab\x1b[0m\n"
                       "first\nsecond\nthird\n");
}

} // namespace
} // namespace tervolen
