// tervolen-cli and the window program as processes, where no server is needed: a settings file named but
// missing, and the ends of both programs on the termination signals.
#include "child_process.h"
#include "temp_dir.h"
#include "test_config.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace tervolen {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> folderEntries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    return names;
}

TEST(CliProcess, AMissingSettingsFileIsAUsageErrorAndIsNotCreated) {
    test::TempDir dir;
    const std::string typo = dir.file("typo.ini");
    for (const std::string arguments : {"backup", "run", "restore --backup x.fbk --database y.fdb",
                                        "validate --database y.fdb --option ValidateFull"}) {
        std::string output;
        // Without the check "run" would serve the schedule: the guard ends it.
        EXPECT_EQ(test::runCommand("timeout 60 " + std::string(TERVOLEN_CLI) + " " + arguments + " --settings " + typo,
                                   &output),
                  2)
            << arguments << ": " << output;
        EXPECT_EQ(output, "tervolen-cli: settings file not found: " + typo + "\n") << arguments;
        EXPECT_TRUE(folderEntries(dir.path()).empty()) << arguments;
    }
}

// tervolen-cli status as a monitoring system runs it: every failure of the check itself is UNKNOWN (3).
TEST(CliProcess, TheStatusCheckExitsAsMonitoringPluginsDo) {
    test::TempDir dir;
    test::writeFile(dir.file("tervolen.ini"), "[DIRECTORYS]\n");
    fs::create_directory(dir.file("folder.ini"));
    const std::string settings = " --settings " + dir.file("tervolen.ini");
    const struct {
        std::string arguments;
        int status;
        std::string start;
    } cases[] = {
        {"status" + settings, 3, "UNKNOWN - no journal"},
        {"status --settings " + dir.file("typo.ini"), 3, "UNKNOWN - settings file not found"},
        {"status --settings " + dir.file("folder.ini"), 3, "UNKNOWN - Cannot open file"},
        {"status" + settings + " --warning soon", 3, "UNKNOWN - not a number of hours: soon"},
        {"status", 3, ""},
        {"status" + settings + " --bogus", 3, ""},
    };
    for (const auto& c : cases) {
        std::string output;
        EXPECT_EQ(test::runCommand(std::string(TERVOLEN_CLI) + " " + c.arguments + " 2>/dev/null", &output), c.status)
            << c.arguments;
        EXPECT_TRUE(output.starts_with(c.start)) << c.arguments << ": " << output;
    }
    // An ok run (ended in the future, so its age is 0), then a failed one after it.
    test::writeFile(dir.file("tervolen.journal"),
                    "{\"stamp\":\"202612100003\",\"ended\":\"2999-01-01 00:00:00\",\"result\":\"ok\"}\n");
    std::string output;
    EXPECT_EQ(test::runCommand(std::string(TERVOLEN_CLI) + " status" + settings, &output), 0) << output;
    EXPECT_TRUE(output.starts_with("OK - last good backup 2999-01-01 00:00")) << output;
    test::writeFile(dir.file("tervolen.journal"), test::readFile(dir.file("tervolen.journal")) +
                                                      "{\"ended\":\"2999-01-01 00:01:00\",\"result\":\"failed\"}\n");
    EXPECT_EQ(test::runCommand(std::string(TERVOLEN_CLI) + " status" + settings, &output), 1) << output;
    EXPECT_TRUE(output.starts_with("WARNING - last run failed; last good backup")) << output;
}

constexpr int kTerminationSignals[] = {SIGINT, SIGTERM, SIGHUP};

TEST(CliProcess, TheSchedulerEndsCleanlyOnEachTerminationSignal) {
    for (int signal : kTerminationSignals) {
        test::TempDir dir;
        test::writeFile(dir.file("tervolen.ini"), "");
        // An open folder makes the scheduler print its warning at once: the line shows it has started.
        fs::permissions(dir.path(), fs::perms::all);
        test::ChildProcess cli({TERVOLEN_CLI, "run", "--settings", dir.file("tervolen.ini")});
        ASSERT_NE(cli.line(), "") << strsignal(signal);
        ::kill(cli.pid(), signal);
        EXPECT_EQ(cli.ending(), "exit 0") << strsignal(signal);
    }
}

TEST(WindowProgram, EndsCleanlyOnEachTerminationSignal) {
    for (int signal : kTerminationSignals) {
        // A portable copy keeps its settings file and lock beside itself, away from the build folder.
        test::TempDir dir;
        fs::copy_file(test::kTervolen, dir.file("tervolen"));
        test::writeFile(dir.file("portable"), "");
        test::ChildProcess window({dir.file("tervolen")});
        // The instance lock is taken once the program handles the signals itself.
        const std::string lock = dir.file(".tervolen.ini.lock");
        for (int i = 0; i < 6000 && !fs::exists(lock); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ASSERT_TRUE(fs::exists(lock)) << strsignal(signal);
        ::kill(window.pid(), signal);
        EXPECT_EQ(window.ending(), "exit 0") << strsignal(signal);
    }
}

} // namespace
} // namespace tervolen
