#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

namespace tervolen::test {

// A program started with its standard output on a pipe; killed at the end if it is still running.
class ChildProcess {
public:
    // arguments[0] is the program's path. Throws std::runtime_error when it cannot be started.
    explicit ChildProcess(std::vector<std::string> arguments);
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess();

    pid_t pid() const { return pid_; }

    // The next line of its output, with its line feed; empty at its end.
    std::string line();

    // "exit N" or "signal N" once it ended; "still running" when it has not ended within a minute.
    std::string ending();

    // Sends SIGTERM, waits, and returns "exit N" or "signal N".
    std::string stop();

private:
    pid_t pid_ = -1;
    std::unique_ptr<FILE, int (*)(FILE*)> out_{nullptr, &std::fclose};
};

} // namespace tervolen::test
