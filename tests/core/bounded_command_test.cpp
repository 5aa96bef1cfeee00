// The alert command's runner with real programs: one that records its environment and the in-memory log, one
// that hangs (killed with its group at the bound), one that does not exist.
#include "core/bounded_command.h"

#include "core/errors.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

namespace tervolen {
namespace {

TEST(BoundedCommand, TheProgramGetsItsEnvironmentAndLogAndItsFirstLinesAreKept) {
    test::TempDir dir;
    BoundedCommand command;
    command.arguments = {"sh", "-c", "echo \"$TERVOLEN_RESULT\" > " + dir.file("env") +
                                         "; cat /dev/fd/3 > " + dir.file("log") +
                                         "; printf 'one\\ntwo\\r\\nthree\\nfour\\n'; exit 4"};
    command.environment = {{"TERVOLEN_RESULT", "failed"}, {"HOME", "/nowhere"}};
    command.input3 = "the run's Monitor text\n";
    const CommandOutcome outcome = runBoundedCommand(command);
    EXPECT_FALSE(outcome.killed);
    EXPECT_EQ(outcome.exitStatus, 4);
    EXPECT_EQ(outcome.firstLines, (std::vector<std::string>{"one", "two", "three"}));
    EXPECT_EQ(test::readFile(dir.file("env")), "failed\n");
    EXPECT_EQ(test::readFile(dir.file("log")), "the run's Monitor text\n");
    EXPECT_EQ(describeOutcome(outcome, command.bound), "exit 4: one / two / three");
}

TEST(BoundedCommand, AProgramThatHangsIsKilledWithItsGroupAtTheBound) {
    test::TempDir dir;
    BoundedCommand command;
    // The child in the background keeps the output open: it must die with the group.
    command.arguments = {"sh", "-c", "echo started; sleep 600 & echo $! > " + dir.file("pid") + "; wait"};
    command.bound = std::chrono::milliseconds(300);
    const CommandOutcome outcome = runBoundedCommand(command);
    EXPECT_TRUE(outcome.killed);
    EXPECT_EQ(describeOutcome(outcome, command.bound), "killed after 300 ms: started");
    // Killed, it is gone or a zombie that nobody has reaped yet.
    const std::string pid = test::readFile(dir.file("pid"));
    std::string state;
    test::runCommand("awk '{print $3}' /proc/" + pid.substr(0, pid.size() - 1) + "/stat 2>/dev/null", &state);
    EXPECT_TRUE(state.empty() || state == "Z\n") << "the background sleep survived: " << state;
}

TEST(BoundedCommand, AProgramThatDoesNotExistCannotRun) {
    BoundedCommand command;
    command.arguments = {"tervolen-no-such-program", "x"};
    try {
        runBoundedCommand(command);
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot run \"tervolen-no-such-program\". No such file or directory");
    }
}

} // namespace
} // namespace tervolen
