#include "services/test_restore.h"

#include "core/paths.h"
#include "services/database_header.h"

#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <csignal>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace tervolen {

namespace {

constexpr std::string_view kPrefix = ".tervolen-verify-";
constexpr std::string_view kSuffix = ".fdb";

bool processEnded(long pid) {
    return ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

void removeRegularFile(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode))
        ::unlink(path.c_str());
}

// The test database, deleted however the step ends.
class TestDatabase {
public:
    explicit TestDatabase(std::string path) : path_(std::move(path)) {}
    TestDatabase(const TestDatabase&) = delete;
    TestDatabase& operator=(const TestDatabase&) = delete;
    ~TestDatabase() { removeRegularFile(path_); }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// "yyyymmddhhnnss".
std::string stampOf(const LocalTime& time) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d", time.year, time.month, time.day, time.hour,
                  time.minute, time.second);
    return text;
}

// The server reports success for a restore that ran out of backup before its end (a cut file), leaving the database
// shut down as every restore keeps it until its last step; only its header tells.
bool restoreFinished(const std::string& database, MonitorLog& monitor) {
    try {
        if (!readDatabaseHeader(database).shutDown)
            return true;
        monitor.addMonitorLine("The restore stopped before its end: the backup is cut short or damaged.", kRed,
                               kMonitorLineSize);
    } catch (const std::exception& e) {
        monitor.addMonitorLine(e.what(), kRed, kMonitorLineSize);
    }
    return false;
}

} // namespace

std::string testDatabaseName(const std::string& stamp, long pid) {
    return std::string(kPrefix) + stamp + "-" + std::to_string(pid) + std::string(kSuffix);
}

std::optional<long> testDatabaseOwner(std::string_view name) {
    if (!name.starts_with(kPrefix) || !name.ends_with(kSuffix))
        return std::nullopt;
    const std::string_view middle = name.substr(kPrefix.size(), name.size() - kPrefix.size() - kSuffix.size());
    const std::size_t dash = middle.rfind('-');
    if (dash == std::string_view::npos || dash == 0)
        return std::nullopt;
    for (char c : middle.substr(0, dash))
        if (c < '0' || c > '9')
            return std::nullopt;
    const std::string_view digits = middle.substr(dash + 1);
    long pid = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), pid);
    if (error != std::errc() || end != digits.data() + digits.size() || digits.empty() || digits[0] == '0' ||
        pid <= 0)
        return std::nullopt;
    return pid;
}

void sweepTestDatabases(const std::string& folder) {
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        const std::optional<long> owner = testDatabaseOwner(name);
        if (owner && (*owner == static_cast<long>(::getpid()) || processEnded(*owner)))
            removeRegularFile(folder + kPathDelim + name);
    }
}

TestRestoreOutcome runTestRestore(const TestRestoreRequest& request, const JobContext& context,
                                  RestoreService& restore, ValidationService& validation) {
    MonitorLog& monitor = context.monitor;
    const auto start = std::chrono::steady_clock::now();
    sweepTestDatabases(request.folder);
    TestDatabase database(request.folder + kPathDelim + testDatabaseName(stampOf(context.clock.now()), ::getpid()));
    monitor.addMonitorLine("=========== Test Restore Started ===========", kFuchsia, kMonitorLineSize);
    monitor.addMonitorLine("Restoring \"" + request.backupFile + "\" into \"" + database.path() + "\"", kNavy,
                           kMonitorLineSize);

    RestoreRequest restoreRequest;
    restoreRequest.connection = request.connection;
    restoreRequest.backupFile = request.backupFile;
    restoreRequest.database = database.path();
    restoreRequest.option = RestoreOption::CreateNewDB;
    bool passed = RestoreJob(context, restore).runUnasked(restoreRequest) && restoreFinished(database.path(), monitor);
    if (passed) {
        ValidationRequest validationRequest;
        validationRequest.connection = request.connection;
        validationRequest.database = database.path();
        validationRequest.bufferSize = validation.bufferSize();
        validationRequest.option = ValidationOption::ValidateFull;
        passed = ValidationJob(context, validation).runUnasked(validationRequest);
    }
    const auto seconds = static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start).count());
    if (passed)
        monitor.addMonitorLine("Test restore passed in " + std::to_string(seconds) + " s", kGreen, kMonitorLineSize);
    else
        monitor.addMonitorLine("The backup \"" + request.backupFile + "\" failed its test restore.", kRed,
                               kMonitorLineSize);
    monitor.addMonitorLine("=========== Test Restore Finished ==========", kFuchsia, kMonitorLineSize);
    return {passed, seconds};
}

} // namespace tervolen
