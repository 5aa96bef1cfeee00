#pragma once

#include <chrono>
#include <string>
#include <utility>
#include <vector>

namespace tervolen {

// What a program run by runBoundedCommand did.
struct CommandOutcome {
    bool killed = false; // still running at the bound, so killed with its process group
    int exitStatus = -1; // its exit status; -1 when a signal ended it
    int signal = 0;      // the signal that ended it, 0 for none
    std::vector<std::string> firstLines; // the first lines of its standard output and error, each cut short
};

struct BoundedCommand {
    std::vector<std::string> arguments; // arguments[0] is looked up in PATH like a shell would, but run without one
    std::vector<std::pair<std::string, std::string>> environment; // set on top of this process's environment
    std::string input3; // given to the program as the readable file /dev/fd/3 (in memory, never on disk)
    std::chrono::milliseconds bound{60000};
    std::size_t keptLines = 3;
};

// Runs the program in a process group of its own with standard input from /dev/null, reads its output while it
// runs, and kills the group once the bound has passed. The child is always reaped. Throws Error "Cannot run" with
// the program and the system's reason when it cannot be started (no such program, no right to run it).
CommandOutcome runBoundedCommand(const BoundedCommand& command);

// "exit 0: first line / second line", "killed after 60 s", "signal 9".
std::string describeOutcome(const CommandOutcome& outcome, std::chrono::milliseconds bound);

} // namespace tervolen
