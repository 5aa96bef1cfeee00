#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace tervolen::test {

// The threads of this process. fork copies only the calling thread, so the crash tests fork while this is 1.
int threadCount();

enum class RunEnd { Finished, Failed, Killed };

struct TimedRun {
    RunEnd end;
    std::chrono::nanoseconds took; // from the fork until the child was reaped
};

// Runs operation to its end three times, each in a forked child after reset (run here) has put back the state it
// starts from, and returns the median run: the first often pays for cold caches. An exception in a child is printed
// and gives Failed, here and in the functions below.
TimedRun measureUncutRun(const std::function<void()>& operation, const std::function<void()>& reset);

// Runs operation in a forked child and sends it SIGKILL after delay, unless it ended before.
RunEnd runAndKill(const std::function<void()>& operation, std::chrono::nanoseconds delay);

struct TracedKill {
    RunEnd end;
    long lastCall = -1; // the system call made just before the kill, -1 when none
};

// Runs operation in a traced child and sends it SIGKILL when it is about to make its index-th system call
// (counted from 1; that call is not made).
TracedKill runAndKillAtSystemCall(const std::function<void()>& operation, int index);

// A system call a traced child made, with the paths it named: for a flush the file behind the descriptor, for a
// rename or link the old and the new name (both absolute).
struct SystemCall {
    long number = -1;
    std::vector<std::string> paths;
    long result = -1; // the call's return value, a negative errno when it failed; -1 when it did not return
};

// Runs operation to its end in a traced child whose index-th read (counted from 1) of the file at path fails with
// EIO, as a bad medium's would; the read is not made. Only on x86-64; elsewhere every read goes through.
RunEnd runWithFailingRead(const std::function<void()>& operation, const std::string& path, int index);

// Runs operation to its end in a traced child and returns every system call it made; end, when given, tells how
// the child ended.
std::vector<SystemCall> traceSystemCalls(const std::function<void()>& operation, RunEnd* end = nullptr);

// Whether a system call, by number, flushes a file to its medium (fsync, fdatasync).
bool flushesFile(long call);

// Expects calls to put a file at target by a rename or link from a temporary, flushing the temporary before and
// target's folder after, so that the new file survives a power cut and not only a killed process.
void expectPutInPlaceDurably(const std::vector<SystemCall>& calls, const std::string& target);

// Kills operation before each of its system calls in turn, a new child each time, until a run ends by itself;
// afterRun checks each run's state and puts back the start. Stops at the test's first failure. Returns how many
// system calls a whole run makes.
int killAtEverySystemCall(const std::function<void()>& operation,
                          const std::function<void(const TracedKill&)>& afterRun);

// Whether a system call, by number, renames or links a file into place.
bool putsFileInPlace(long call);

// TERVOLEN_CRASH_SEED when set (to replay a failed run), else a new random seed.
uint32_t crashSeed();

// Measures an uncut run of operation (reset puts back its start), then kills it at random moments, a new child each
// time, until kKillsPerCase runs were killed or kMaxRunsPerCase were tried; afterRun checks each run by how it ended
// and puts back the start. Stops at the test's first failure; prints label, the kills and summary(); expects enough
// kills. TERVOLEN_CRASH_SEED replays a run.
void killAtRandomMoments(const std::string& label, const std::function<void()>& operation,
                         const std::function<void()>& reset, const std::function<void(RunEnd)>& afterRun,
                         const std::function<std::string()>& summary);

// Kill delays spread at random from 0 to 1.2 times the length of an uncut run.
class KillDelays {
public:
    KillDelays(std::chrono::nanoseconds uncutRun, uint32_t seed);
    std::chrono::nanoseconds next();

private:
    std::mt19937 random_;
    std::uniform_int_distribution<int64_t> spread_;
};

// How many kills landed where, as "label count" pairs.
class KillTally {
public:
    void add(const std::string& label) { ++counts_[label]; }
    int count(const std::string& label) const;
    std::string text() const;

private:
    std::map<std::string, int> counts_;
};

// Kills per random-timing case, and the most runs tried to get them: runs that end before the kill do not count,
// and on a loaded machine the uncut run measured first may have been slower than most.
inline constexpr int kKillsPerCase = 200;
inline constexpr int kMaxRunsPerCase = 3 * kKillsPerCase;
// The most system calls an operation killed at each of them may make.
inline constexpr int kMaxTracedCalls = 1000;

} // namespace tervolen::test
