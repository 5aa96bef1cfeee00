#include "core/folder_safety.h"

#include "core/errors.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace tervolen {

bool AnyoneMayWrite(const std::string& folder) {
    struct stat info {};
    return !folder.empty() && ::stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && (info.st_mode & S_IWOTH);
}

std::string AnyoneMayWriteWarning(const std::string& folder) {
    return "Warning: every user may write the folder \"" + folder + "\"; keep backups and settings out of it.";
}

bool RunningAsRoot() { return ::geteuid() == 0; }

void CreateOwnerOnlyFolders(const std::string& folder) {
    std::string path;
    size_t start = 0;
    while (start <= folder.size()) {
        size_t slash = folder.find('/', start);
        size_t end = slash == std::string::npos ? folder.size() : slash;
        path = folder.substr(0, end);
        start = end + 1;
        if (path.empty())
            continue;
        if (::mkdir(path.c_str(), 0700) == 0 || errno == EEXIST)
            continue;
        int code = errno;
        struct stat info {};
        if (::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
            continue;
        throw Error("Unable to create directory \"" + folder + "\". " + std::strerror(code));
    }
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        throw Error("Unable to create directory \"" + folder + "\". " + std::strerror(ENOTDIR));
}

} // namespace tervolen
