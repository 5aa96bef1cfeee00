#pragma once

#include "services/job_context.h"
#include "services/job_requests.h"
#include "services/restore_job.h"
#include "services/service_requests.h"
#include "services/validation_job.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tervolen {

// What a test restore needs: the server, the backup to restore, and the folder that takes the temporary database.
struct TestRestoreRequest {
    ServerConnection connection;
    std::string backupFile;
    std::string folder;
};

struct TestRestoreOutcome {
    bool passed = false;
    std::uint64_t seconds = 0;
};

// The hidden name of a test database: ".tervolen-verify-<stamp>-<pid>.fdb".
std::string testDatabaseName(const std::string& stamp, long pid);
// The process named in a test database name; none for any other name.
std::optional<long> testDatabaseOwner(std::string_view name);

// Removes the test databases in folder whose process has ended (a killed run's) or is this one; links and folders
// are left alone. A folder that cannot be read has none to remove.
void sweepTestDatabases(const std::string& folder);

// Restores the backup through the service manager into a new test database in the request's folder (with the
// page size of the backup), runs the validation service's full check on it and deletes it. Monitor lines say
// what it does; a failure is red. Throws what the jobs throw.
TestRestoreOutcome runTestRestore(const TestRestoreRequest& request, const JobContext& context,
                                  RestoreService& restore, ValidationService& validation);

} // namespace tervolen
