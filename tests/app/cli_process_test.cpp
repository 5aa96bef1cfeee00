// tervolen-cli and the window program as processes, where no server is needed: a settings file named but
// missing, the ends of both programs on the termination signals, and the hours the scheduler finds missed at start.
#include "child_process.h"
#include "core/run_journal.h"
#include "core/schedule.h"
#include "temp_dir.h"
#include "test_config.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <ctime>
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

std::string localText(std::time_t moment) {
    std::tm local{};
    ::localtime_r(&moment, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

// On the real clock: today and every hour before now's are ticked, and the last run was a day ago.
TEST(CliProcess, TheSchedulerNamesTheHoursMissedSinceTheLastRun) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    if (local.tm_hour == 0)
        GTEST_SKIP() << "no hour of today has passed yet";
    test::TempDir dir;
    std::string settings = "[DAYS]\n" + weekdayName(local.tm_wday + 1) + "=1\n[HOURS]\n";
    for (int hour = 0; hour < local.tm_hour; ++hour)
        settings += hourKey(hour) + "=1\n";
    test::writeFile(dir.file("tervolen.ini"), settings);
    RunRecord lastRun;
    lastRun.started = localText(now - 24 * 3600);
    lastRun.ended = lastRun.started;
    lastRun.origin = "schedule";
    lastRun.result = "ok";
    appendRunRecord(runJournalPath(dir.file("tervolen.ini")), lastRun);

    test::ChildProcess cli({TERVOLEN_CLI, "run", "--settings", dir.file("tervolen.ini")});
    const std::string line = cli.line();
    EXPECT_NE(line.find(" Missed scheduled backups today at 00:00"), std::string::npos) << line;
    EXPECT_NE(line.find(hourKey(local.tm_hour - 1) + "\n"), std::string::npos) << line;
    EXPECT_EQ(cli.stop(), "exit 0");
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
