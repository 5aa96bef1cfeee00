#include "core/instance_lock.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>

namespace tervolen {

std::string instanceLockPath(const std::string& settingsFile) {
    std::filesystem::path settings(settingsFile);
    return (settings.parent_path() / ("." + settings.filename().string() + ".lock")).string();
}

std::optional<InstanceLock> InstanceLock::acquire(const std::string& settingsFile) {
    std::string lockPath = instanceLockPath(settingsFile);
    FileDescriptor fd(::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (!fd.valid())
        throwFileError("Cannot create file", lockPath, errno);
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK)
            return std::nullopt;
        throwFileError("Cannot lock file", lockPath, errno);
    }
    return InstanceLock(std::move(fd));
}

} // namespace tervolen
