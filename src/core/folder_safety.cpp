#include "core/folder_safety.h"

#include "core/errors.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace tervolen {

namespace {

// Why root must not trust an entry with this status; empty when it may.
std::string distrustReason(const struct stat& info) {
    if (info.st_uid != 0)
        return "it is owned by user " + std::to_string(info.st_uid) + ", not by root";
    if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        return "group or others may write it";
    return {};
}

[[noreturn]] void refuseLibrary(const std::string& name, const std::string& why) {
    throw UntrustedFileError("Refused to load the client library \"" + name + "\" as root: " + why +
                             ". Give a bare library name or a path in folders that only root may change.");
}

} // namespace

void checkTrustedByRoot(int fd, const std::string& path) {
    if (!runningAsRoot())
        return;
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        throw UntrustedFileError("Refused the file \"" + path + "\" as root: " + std::strerror(errno) + ".");
    const std::string why = distrustReason(info);
    if (!why.empty())
        throw UntrustedFileError("Refused the file \"" + path + "\" as root: " + why + ".");
}

void checkLibraryTrustedByRoot(const std::string& name) {
    if (!runningAsRoot() || name.find('/') == std::string::npos)
        return;
    if (name.front() != '/')
        refuseLibrary(name, "a relative path depends on the current folder");
    std::string start = name;
    std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(start.c_str(), nullptr), &std::free);
    // A library that is missing fails to load as usual, unless someone else could put it there: then its nearest
    // existing folder must be root's alone too.
    while (!resolved && errno == ENOENT && start != "/") {
        start = start.substr(0, std::max<size_t>(start.rfind('/'), 1));
        resolved.reset(::realpath(start.c_str(), nullptr));
    }
    if (!resolved)
        refuseLibrary(name, std::strerror(errno));
    const std::string first = resolved.get();
    for (std::string entry = first;; entry = entry.substr(0, std::max<size_t>(entry.rfind('/'), 1))) {
        struct stat info {};
        if (::stat(entry.c_str(), &info) != 0)
            refuseLibrary(name, "\"" + entry + "\": " + std::strerror(errno));
        // In a sticky folder such as /tmp others may add names but not move or remove root's entries, so it may hold
        // the path's next folder; never the library itself, nor the folder a missing one would be put in.
        const bool holdsRootsEntry = entry != first && S_ISDIR(info.st_mode) && (info.st_mode & S_ISVTX) != 0;
        const std::string why = holdsRootsEntry && info.st_uid == 0 ? std::string() : distrustReason(info);
        if (!why.empty())
            refuseLibrary(name, "for \"" + entry + "\" " + why);
        if (entry == "/")
            break;
    }
}

bool anyoneMayWrite(const std::string& folder) {
    struct stat info {};
    return !folder.empty() && ::stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && (info.st_mode & S_IWOTH);
}

std::string anyoneMayWriteWarning(const std::string& folder) {
    return "Warning: every user may write the folder \"" + folder + "\"; keep backups and settings out of it.";
}

bool isOpenFolderWarning(std::string_view line) {
    return line.starts_with("Warning: every user may write the folder \"");
}

bool runningAsRoot() {
    return ::geteuid() == 0;
}

void createOwnerOnlyFolders(const std::string& folder) {
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
