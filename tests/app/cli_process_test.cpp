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
