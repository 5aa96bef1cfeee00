#pragma once

#include "core/posix_file.h"

#include <optional>
#include <string>

namespace tervolen {

// Held while a program instance serves a settings file, so that a second instance on the same file
// (the window or the scheduler of the command-line tool) can tell and end. The lock is an flock on a
// hidden file beside the settings file and goes with the process, also when it is killed.
// The hidden lock file beside settingsFile.
std::string instanceLockPath(const std::string& settingsFile);

class InstanceLock {
public:
    // The lock, or nothing when another process holds it. Throws Error when the lock file cannot be made.
    static std::optional<InstanceLock> acquire(const std::string& settingsFile);

private:
    explicit InstanceLock(FileDescriptor fd) : fd_(std::move(fd)) {}
    FileDescriptor fd_;
};

} // namespace tervolen
