#include "crash_harness.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iostream>
#include <stdexcept>
#include <sys/ptrace.h>
#include <sys/syscall.h>
#include <sys/user.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace tervolen::test {

namespace {

[[noreturn]] void runChild(const std::function<void()>& operation) {
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

pid_t forkFlushed() {
    std::fflush(nullptr);
    pid_t pid = ::fork();
    if (pid < 0)
        throw std::runtime_error("fork failed");
    return pid;
}

int waitForChild(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0)
        if (errno != EINTR)
            throw std::runtime_error("waitpid failed");
    return status;
}

RunEnd endOf(int status) {
    if (WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
        return RunEnd::Killed;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? RunEnd::Finished : RunEnd::Failed;
}

// ptrace takes its data argument as a pointer.
void* ptraceData(long value) {
    return reinterpret_cast<void*>(value);
}

TimedRun runForked(const std::function<void()>& operation) {
    auto start = std::chrono::steady_clock::now();
    pid_t pid = forkFlushed();
    if (pid == 0)
        runChild(operation);
    RunEnd end = endOf(waitForChild(pid));
    return {end, std::chrono::steady_clock::now() - start};
}

// Runs operation in a traced child, calling onStop at each entry to and exit from a system call; kills the child
// when onStop returns true at an entry (the call is then not made).
RunEnd runTraced(const std::function<void()>& operation,
                 const std::function<bool(pid_t, const __ptrace_syscall_info&)>& onStop) {
    pid_t pid = forkFlushed();
    if (pid == 0) {
        ::ptrace(PTRACE_TRACEME, 0, nullptr, nullptr);
        ::raise(SIGSTOP);
        runChild(operation);
    }
    int status = waitForChild(pid);
    if (!WIFSTOPPED(status))
        return endOf(status);
    ::ptrace(PTRACE_SETOPTIONS, pid, nullptr, ptraceData(PTRACE_O_TRACESYSGOOD | PTRACE_O_EXITKILL));
    int signal = 0;
    for (;;) {
        ::ptrace(PTRACE_SYSCALL, pid, nullptr, ptraceData(signal));
        signal = 0;
        status = waitForChild(pid);
        if (WIFEXITED(status) || WIFSIGNALED(status))
            return endOf(status);
        if (WSTOPSIG(status) != (SIGTRAP | 0x80)) {
            signal = WSTOPSIG(status); // a signal for the child: pass it on
            continue;
        }
        __ptrace_syscall_info info{};
        ::ptrace(PTRACE_GET_SYSCALL_INFO, pid, ptraceData(sizeof info), &info);
        if (onStop(pid, info) && info.op == PTRACE_SYSCALL_INFO_ENTRY) {
            ::kill(pid, SIGKILL);
            return endOf(waitForChild(pid));
        }
    }
}

std::string readLink(const std::string& link) {
    std::error_code ec;
    const std::filesystem::path target = std::filesystem::read_symlink(link, ec);
    return ec ? std::string() : target.string();
}

// A NUL-terminated string in the stopped child's memory.
std::string childString(pid_t pid, uint64_t address) {
    std::string text;
    for (constexpr size_t kMost = 4096; text.size() < kMost; address += sizeof(long)) {
        errno = 0;
        const long word = ::ptrace(PTRACE_PEEKDATA, pid, reinterpret_cast<void*>(address), nullptr);
        if (errno != 0)
            break;
        const char* bytes = reinterpret_cast<const char*>(&word);
        for (size_t i = 0; i < sizeof word; ++i) {
            if (bytes[i] == '\0')
                return text;
            text += bytes[i];
        }
    }
    return text;
}

// A path argument made absolute against the folder it is relative to (a descriptor, or the working folder).
std::string childPath(pid_t pid, long folderFd, uint64_t address) {
    const std::string path = childString(pid, address);
    if (path.empty() || path.front() == '/')
        return std::filesystem::path(path).lexically_normal().string();
    const std::string proc = "/proc/" + std::to_string(pid);
    const std::string folder =
        readLink(folderFd == AT_FDCWD ? proc + "/cwd" : proc + "/fd/" + std::to_string(folderFd));
    return (std::filesystem::path(folder) / path).lexically_normal().string();
}

SystemCall described(pid_t pid, const __ptrace_syscall_info& info) {
    SystemCall call;
    call.number = static_cast<long>(info.entry.nr);
    const auto& args = info.entry.args;
    switch (call.number) {
    case SYS_fsync:
    case SYS_fdatasync:
        call.paths.push_back(readLink("/proc/" + std::to_string(pid) + "/fd/" + std::to_string(args[0])));
        break;
#ifdef SYS_rename
    case SYS_rename:
#endif
#ifdef SYS_link
    case SYS_link:
#endif
        call.paths = {childPath(pid, AT_FDCWD, args[0]), childPath(pid, AT_FDCWD, args[1])};
        break;
    case SYS_renameat:
    case SYS_renameat2:
    case SYS_linkat:
        call.paths = {childPath(pid, static_cast<long>(args[0]), args[1]),
                      childPath(pid, static_cast<long>(args[2]), args[3])};
        break;
    default:
        break;
    }
    return call;
}

} // namespace

int threadCount() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("Threads:", 0) == 0)
            return std::stoi(line.substr(8));
    return -1;
}

TimedRun measureUncutRun(const std::function<void()>& operation, const std::function<void()>& reset) {
    std::vector<TimedRun> runs;
    for (int i = 0; i < 3; ++i) {
        reset();
        runs.push_back(runForked(operation));
    }
    std::sort(runs.begin(), runs.end(), [](const TimedRun& a, const TimedRun& b) { return a.took < b.took; });
    bool failed =
        std::any_of(runs.begin(), runs.end(), [](const TimedRun& run) { return run.end != RunEnd::Finished; });
    return {failed ? RunEnd::Failed : RunEnd::Finished, runs[1].took};
}

RunEnd runAndKill(const std::function<void()>& operation, std::chrono::nanoseconds delay) {
    pid_t pid = forkFlushed();
    if (pid == 0)
        runChild(operation);
    std::this_thread::sleep_for(delay);
    // A child that has ended stays a zombie until it is reaped, so the signal cannot reach another process.
    ::kill(pid, SIGKILL);
    return endOf(waitForChild(pid));
}

TracedKill runAndKillAtSystemCall(const std::function<void()>& operation, int index) {
    TracedKill result{RunEnd::Finished};
    int calls = 0;
    result.end = runTraced(operation, [&](pid_t, const __ptrace_syscall_info& info) {
        if (info.op != PTRACE_SYSCALL_INFO_ENTRY)
            return false;
        if (++calls == index)
            return true;
        result.lastCall = static_cast<long>(info.entry.nr);
        return false;
    });
    return result;
}

RunEnd runWithFailingRead(const std::function<void()>& operation, const std::string& path, int index) {
    int reads = 0;
    bool failing = false;
    return runTraced(operation, [&](pid_t pid, const __ptrace_syscall_info& info) {
#if defined(__x86_64__)
        user_regs_struct registers{};
        if (info.op == PTRACE_SYSCALL_INFO_ENTRY && info.entry.nr == SYS_read &&
            readLink("/proc/" + std::to_string(pid) + "/fd/" + std::to_string(info.entry.args[0])) == path &&
            ++reads == index) {
            // An invalid call number makes the kernel skip the call; its result is set at the exit.
            ::ptrace(PTRACE_GETREGS, pid, nullptr, &registers);
            registers.orig_rax = static_cast<unsigned long long>(-1);
            ::ptrace(PTRACE_SETREGS, pid, nullptr, &registers);
            failing = true;
        } else if (info.op == PTRACE_SYSCALL_INFO_EXIT && failing) {
            ::ptrace(PTRACE_GETREGS, pid, nullptr, &registers);
            registers.rax = static_cast<unsigned long long>(-EIO);
            ::ptrace(PTRACE_SETREGS, pid, nullptr, &registers);
            failing = false;
        }
#else
        (void)pid;
        (void)info;
#endif
        return false;
    });
}

std::vector<SystemCall> traceSystemCalls(const std::function<void()>& operation, RunEnd* end) {
    std::vector<SystemCall> calls;
    bool entered = false;
    const RunEnd runEnd = runTraced(operation, [&](pid_t pid, const __ptrace_syscall_info& info) {
        if (info.op == PTRACE_SYSCALL_INFO_ENTRY) {
            calls.push_back(described(pid, info));
            entered = true;
        } else if (info.op == PTRACE_SYSCALL_INFO_EXIT && entered) {
            calls.back().result = info.exit.rval;
            entered = false;
        }
        return false;
    });
    if (end != nullptr)
        *end = runEnd;
    return calls;
}

int killAtEverySystemCall(const std::function<void()>& operation,
                          const std::function<void(const TracedKill&)>& afterRun) {
    for (int index = 1; index < kMaxTracedCalls; ++index) {
        SCOPED_TRACE("killed at system call " + std::to_string(index));
        const TracedKill kill = runAndKillAtSystemCall(operation, index);
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

bool putsFileInPlace(long call) {
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

bool flushesFile(long call) {
    return call == SYS_fsync || call == SYS_fdatasync;
}

void expectPutInPlaceDurably(const std::vector<SystemCall>& calls, const std::string& target) {
    const std::filesystem::path wanted = std::filesystem::weakly_canonical(target);
    const auto placed = std::find_if(calls.begin(), calls.end(), [&](const SystemCall& call) {
        return putsFileInPlace(call.number) && call.result == 0 && call.paths.size() == 2 &&
               std::filesystem::weakly_canonical(call.paths[1]) == wanted;
    });
    ASSERT_NE(placed, calls.end()) << "no file was renamed or linked to " << wanted;
    const std::filesystem::path temporary = std::filesystem::weakly_canonical(placed->paths[0]);
    auto flushes = [&](const SystemCall& call, const std::filesystem::path& path) {
        return flushesFile(call.number) && call.result == 0 && call.paths.size() == 1 && call.paths[0] == path;
    };
    EXPECT_TRUE(std::any_of(calls.begin(), placed, [&](const SystemCall& call) { return flushes(call, temporary); }))
        << "the temporary " << temporary << " was not flushed before it was put in place";
    EXPECT_TRUE(std::any_of(placed + 1, calls.end(),
                            [&](const SystemCall& call) { return flushes(call, wanted.parent_path()); }))
        << "the folder " << wanted.parent_path() << " was not flushed after " << wanted << " was put in place";
}

uint32_t crashSeed() {
    if (const char* seed = std::getenv("TERVOLEN_CRASH_SEED"))
        return static_cast<uint32_t>(std::stoul(seed));
    return std::random_device{}();
}

void killAtRandomMoments(const std::string& label, const std::function<void()>& operation,
                         const std::function<void()>& reset, const std::function<void(RunEnd)>& afterRun,
                         const std::function<std::string()>& summary) {
    using namespace std::chrono_literals;
    ASSERT_EQ(threadCount(), 1) << "fork needs a process without other threads";
    const auto started = std::chrono::steady_clock::now();
    const TimedRun uncut = measureUncutRun(operation, reset);
    ASSERT_EQ(uncut.end, RunEnd::Finished);
    reset();
    const uint32_t seed = crashSeed();
    SCOPED_TRACE("TERVOLEN_CRASH_SEED=" + std::to_string(seed));
    KillDelays delays(uncut.took, seed);
    int kills = 0;
    for (int run = 0; run < kMaxRunsPerCase && kills < kKillsPerCase && !::testing::Test::HasFailure(); ++run) {
        const RunEnd end = runAndKill(operation, delays.next());
        ASSERT_NE(end, RunEnd::Failed);
        kills += end == RunEnd::Killed;
        afterRun(end);
        if (::testing::Test::HasFatalFailure())
            return;
    }
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
    std::cout << label << ": uncut run " << uncut.took / 1ms << " ms, " << kills << " kills (" << summary()
              << "), seed " << seed << ", " << took.count() << " ms\n";
    if (::testing::Test::HasFailure())
        return;
    EXPECT_GE(kills, kKillsPerCase);
}

KillDelays::KillDelays(std::chrono::nanoseconds uncutRun, uint32_t seed)
    : random_(seed), spread_(0, uncutRun.count() * 6 / 5) {}

std::chrono::nanoseconds KillDelays::next() {
    return std::chrono::nanoseconds(spread_(random_));
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
