#include "crash_harness.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <stdexcept>
#include <sys/ptrace.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace tervolen::test {

namespace {

[[noreturn]] void RunChild(const std::function<void()>& operation) {
    int code = 0;
    try {
        operation();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "The operation failed: %s\n", e.what());
        code = 3;
    } catch (...) {
        code = 3;
    }
    // No exit handlers, no stream flushing: they belong to the test process.
    ::_exit(code);
}

pid_t Fork() {
    std::fflush(nullptr);
    pid_t pid = ::fork();
    if (pid < 0)
        throw std::runtime_error("fork failed");
    return pid;
}

int Wait(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0)
        if (errno != EINTR)
            throw std::runtime_error("waitpid failed");
    return status;
}

RunEnd EndOf(int status) {
    if (WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
        return RunEnd::Killed;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? RunEnd::Finished : RunEnd::Failed;
}

// ptrace takes its data argument as a pointer.
void* PtraceData(long value) {
    return reinterpret_cast<void*>(value);
}

TimedRun RunForked(const std::function<void()>& operation) {
    auto start = std::chrono::steady_clock::now();
    pid_t pid = Fork();
    if (pid == 0)
        RunChild(operation);
    RunEnd end = EndOf(Wait(pid));
    return {end, std::chrono::steady_clock::now() - start};
}

} // namespace

int ThreadCount() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("Threads:", 0) == 0)
            return std::stoi(line.substr(8));
    return -1;
}

TimedRun MeasureUncutRun(const std::function<void()>& operation, const std::function<void()>& reset) {
    std::vector<TimedRun> runs;
    for (int i = 0; i < 3; ++i) {
        reset();
        runs.push_back(RunForked(operation));
    }
    std::sort(runs.begin(), runs.end(), [](const TimedRun& a, const TimedRun& b) { return a.took < b.took; });
    bool failed =
        std::any_of(runs.begin(), runs.end(), [](const TimedRun& run) { return run.end != RunEnd::Finished; });
    return {failed ? RunEnd::Failed : RunEnd::Finished, runs[1].took};
}

RunEnd RunAndKill(const std::function<void()>& operation, std::chrono::nanoseconds delay) {
    pid_t pid = Fork();
    if (pid == 0)
        RunChild(operation);
    std::this_thread::sleep_for(delay);
    // A child that has ended stays a zombie until it is reaped, so the signal cannot reach another process.
    ::kill(pid, SIGKILL);
    return EndOf(Wait(pid));
}

TracedKill RunAndKillAtSystemCall(const std::function<void()>& operation, int index) {
    pid_t pid = Fork();
    if (pid == 0) {
        ::ptrace(PTRACE_TRACEME, 0, nullptr, nullptr);
        ::raise(SIGSTOP);
        RunChild(operation);
    }
    int status = Wait(pid);
    if (!WIFSTOPPED(status))
        return {EndOf(status)};
    ::ptrace(PTRACE_SETOPTIONS, pid, nullptr, PtraceData(PTRACE_O_TRACESYSGOOD | PTRACE_O_EXITKILL));
    TracedKill result{RunEnd::Finished};
    int calls = 0;
    int signal = 0;
    for (;;) {
        ::ptrace(PTRACE_SYSCALL, pid, nullptr, PtraceData(signal));
        signal = 0;
        status = Wait(pid);
        if (WIFEXITED(status) || WIFSIGNALED(status)) {
            result.end = EndOf(status);
            return result;
        }
        if (WSTOPSIG(status) != (SIGTRAP | 0x80)) {
            signal = WSTOPSIG(status); // a signal for the child: pass it on
            continue;
        }
        __ptrace_syscall_info info{};
        ::ptrace(PTRACE_GET_SYSCALL_INFO, pid, PtraceData(sizeof info), &info);
        if (info.op != PTRACE_SYSCALL_INFO_ENTRY)
            continue;
        if (++calls == index) {
            ::kill(pid, SIGKILL);
            result.end = EndOf(Wait(pid));
            return result;
        }
        result.lastCall = static_cast<long>(info.entry.nr);
    }
}

int KillAtEverySystemCall(const std::function<void()>& operation,
                          const std::function<void(const TracedKill&)>& afterRun) {
    for (int index = 1; index < kMaxTracedCalls; ++index) {
        SCOPED_TRACE("killed at system call " + std::to_string(index));
        const TracedKill kill = RunAndKillAtSystemCall(operation, index);
        if (kill.end == RunEnd::Failed) {
            ADD_FAILURE() << "the operation failed";
            return index - 1;
        }
        afterRun(kill);
        if (kill.end == RunEnd::Finished || ::testing::Test::HasFailure())
            return index - 1;
    }
    ADD_FAILURE() << "the operation does not end";
    return kMaxTracedCalls;
}

bool PutsFileInPlace(long call) {
    for (long known : {
#ifdef SYS_rename
             static_cast<long>(SYS_rename),
#endif
#ifdef SYS_link
             static_cast<long>(SYS_link),
#endif
             static_cast<long>(SYS_renameat), static_cast<long>(SYS_renameat2), static_cast<long>(SYS_linkat)})
        if (call == known)
            return true;
    return false;
}

uint32_t CrashSeed() {
    if (const char* seed = std::getenv("TERVOLEN_CRASH_SEED"))
        return static_cast<uint32_t>(std::stoul(seed));
    return std::random_device{}();
}

KillDelays::KillDelays(std::chrono::nanoseconds uncutRun, uint32_t seed)
    : random_(seed), spread_(0, uncutRun.count() * 6 / 5) {}

std::chrono::nanoseconds KillDelays::next() {
    return std::chrono::nanoseconds(spread_(random_));
}

std::vector<std::string> Listing(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        names.push_back(it->path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

int KillTally::count(const std::string& label) const {
    auto found = counts_.find(label);
    return found == counts_.end() ? 0 : found->second;
}

std::string KillTally::text() const {
    std::string text;
    for (const auto& [label, count] : counts_)
        text += (text.empty() ? "" : ", ") + label + " " + std::to_string(count);
    return text;
}

} // namespace tervolen::test
