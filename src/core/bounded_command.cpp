#include "core/bounded_command.h"

#include "core/errors.h"
#include "core/posix_file.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace tervolen {

namespace {

constexpr std::size_t kLineLength = 200;
using Clock = std::chrono::steady_clock;

// posix_spawn's attributes and file actions, destroyed however the start ends.
class SpawnSetup {
public:
    SpawnSetup() {
        ::posix_spawnattr_init(&attributes_);
        ::posix_spawn_file_actions_init(&actions_);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;
    ~SpawnSetup() {
        ::posix_spawn_file_actions_destroy(&actions_);
        ::posix_spawnattr_destroy(&attributes_);
    }
    posix_spawnattr_t* attributes() { return &attributes_; }
    posix_spawn_file_actions_t* actions() { return &actions_; }

private:
    posix_spawnattr_t attributes_;
    posix_spawn_file_actions_t actions_;
};

// The started program: killed with its group and reaped on destruction unless it was reaped before.
class ChildGroup {
public:
    explicit ChildGroup(pid_t pid) : pid_(pid) {}
    ChildGroup(const ChildGroup&) = delete;
    ChildGroup& operator=(const ChildGroup&) = delete;
    ~ChildGroup() {
        if (pid_ > 0) {
            ::kill(-pid_, SIGKILL);
            reap(0);
        }
    }
    // True once the child ended; its status goes to status.
    bool reap(int options, int* status = nullptr) {
        int ignored = 0;
        pid_t done = -1;
        do
            done = ::waitpid(pid_, status ? status : &ignored, options);
        while (done < 0 && errno == EINTR);
        if (done == pid_ || (done < 0 && errno == ECHILD)) {
            pid_ = -1;
            return true;
        }
        return false;
    }
    void killGroup() { ::kill(-pid_, SIGKILL); }

private:
    pid_t pid_;
};

// Keeps the first lines of the output; the rest is read and dropped so that the program never blocks on a full pipe.
class FirstLines {
public:
    explicit FirstLines(std::size_t kept) : kept_(kept) {}
    void add(std::string_view chunk) {
        for (char c : chunk) {
            if (lines_.size() >= kept_)
                return;
            if (c == '\n') {
                finishLine();
            } else if (current_.size() < kLineLength) {
                current_ += c;
            }
        }
    }
    std::vector<std::string> finish() {
        if (!current_.empty() && lines_.size() < kept_)
            finishLine();
        return std::move(lines_);
    }

private:
    void finishLine() {
        if (!current_.empty() && current_.back() == '\r')
            current_.pop_back();
        lines_.push_back(std::move(current_));
        current_.clear();
    }
    std::size_t kept_;
    std::vector<std::string> lines_;
    std::string current_;
};

std::vector<std::string> environmentWith(const std::vector<std::pair<std::string, std::string>>& extra) {
    std::vector<std::string> entries;
    for (char** entry = environ; entry && *entry; ++entry) {
        const std::string_view text(*entry);
        bool replaced = false;
        for (const auto& [name, value] : extra)
            replaced = replaced || (text.starts_with(name) && text.size() > name.size() && text[name.size()] == '=');
        if (!replaced)
            entries.emplace_back(text);
    }
    for (const auto& [name, value] : extra)
        entries.push_back(name + "=" + value);
    return entries;
}

std::vector<char*> pointersTo(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts)
        pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

} // namespace

CommandOutcome runBoundedCommand(const BoundedCommand& command) {
    if (command.arguments.empty())
        throw Error("Cannot run an empty command.");
    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0)
        throwFileError("Cannot run", command.arguments[0], errno);
    FileDescriptor readEnd(pipeEnds[0]);
    FileDescriptor writeEnd(pipeEnds[1]);
    const FileDescriptor input3 = memoryFile("tervolen-run-log", command.input3);

    SpawnSetup setup;
    ::posix_spawnattr_setflags(setup.attributes(), POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK |
                                                       POSIX_SPAWN_SETSIGDEF);
    ::posix_spawnattr_setpgroup(setup.attributes(), 0);
    sigset_t signals;
    sigemptyset(&signals);
    ::posix_spawnattr_setsigmask(setup.attributes(), &signals);
    sigfillset(&signals);
    ::posix_spawnattr_setsigdefault(setup.attributes(), &signals);
    ::posix_spawn_file_actions_addopen(setup.actions(), STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    ::posix_spawn_file_actions_adddup2(setup.actions(), writeEnd.get(), STDOUT_FILENO);
    ::posix_spawn_file_actions_adddup2(setup.actions(), writeEnd.get(), STDERR_FILENO);
    ::posix_spawn_file_actions_adddup2(setup.actions(), input3.get(), 3);

    std::vector<std::string> arguments = command.arguments;
    std::vector<std::string> environment = environmentWith(command.environment);
    std::vector<char*> argv = pointersTo(arguments);
    std::vector<char*> envp = pointersTo(environment);
    pid_t pid = -1;
    const int error = ::posix_spawnp(&pid, argv[0], setup.actions(), setup.attributes(), argv.data(), envp.data());
    if (error != 0)
        throwFileError("Cannot run", command.arguments[0], error);
    ChildGroup child(pid);
    writeEnd.reset();

    CommandOutcome outcome;
    FirstLines lines(command.keptLines);
    const Clock::time_point deadline = Clock::now() + command.bound;
    bool outputOpen = true;
    int status = 0;
    bool ended = false;
    while (!ended) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            outcome.killed = true;
            child.killGroup();
            child.reap(0, &status);
            break;
        }
        if (outputOpen) {
            pollfd waitFor{readEnd.get(), POLLIN, 0};
            const int ready = ::poll(&waitFor, 1, static_cast<int>(std::min<long long>(left.count(), 100)));
            if (ready > 0) {
                char buffer[4096];
                const ssize_t got = ::read(readEnd.get(), buffer, sizeof buffer);
                if (got > 0)
                    lines.add({buffer, static_cast<std::size_t>(got)});
                else if (got == 0 || errno != EINTR)
                    outputOpen = false;
            }
        } else {
            std::this_thread::sleep_for(std::min(left, std::chrono::milliseconds(10)));
        }
        ended = child.reap(WNOHANG, &status);
    }
    outcome.firstLines = lines.finish();
    if (!outcome.killed) {
        if (WIFEXITED(status))
            outcome.exitStatus = WEXITSTATUS(status);
        else if (WIFSIGNALED(status))
            outcome.signal = WTERMSIG(status);
    }
    return outcome;
}

std::string describeOutcome(const CommandOutcome& outcome, std::chrono::milliseconds bound) {
    std::string text;
    if (outcome.killed)
        text = "killed after " + (bound.count() % 1000 == 0 ? std::to_string(bound.count() / 1000) + " s"
                                                            : std::to_string(bound.count()) + " ms");
    else if (outcome.signal != 0)
        text = "ended by signal " + std::to_string(outcome.signal);
    else
        text = "exit " + std::to_string(outcome.exitStatus);
    for (std::size_t i = 0; i < outcome.firstLines.size(); ++i)
        text += (i == 0 ? ": " : " / ") + outcome.firstLines[i];
    return text;
}

} // namespace tervolen
