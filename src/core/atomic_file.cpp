#include "core/atomic_file.h"

#include "core/errors.h"
#include "core/folder_safety.h"
#include "core/posix_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <random>
#include <sys/file.h>
#include <sys/stat.h>

namespace tervolen {

namespace fs = std::filesystem;

namespace {

constexpr unsigned kNewFileMode = 0600;
constexpr const char* kTemporaryMark = ".tervolen-";
constexpr size_t kRandomLength = 6;
// Keeps ".<name>" plus the mark and the random part within the 255 bytes a file name may have.
constexpr size_t kNameKept = 200;
constexpr int kCreateAttempts = 100;
constexpr char kRandomLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";

std::string fileBehind(const std::string& path) {
    std::error_code ec;
    const fs::path resolved = fs::canonical(path, ec);
    return ec ? path : resolved.string();
}

unsigned existingModeOr(const std::string& target, unsigned fallback) {
    struct stat info {};
    if (::stat(target.c_str(), &info) == 0 && S_ISREG(info.st_mode))
        return info.st_mode & 07777;
    return fallback;
}

// ".<name>.tervolen-", the name cut where no UTF-8 sequence is split.
std::string temporaryStem(const std::string& name) {
    size_t length = std::min(name.size(), kNameKept);
    while (length > 0 && length < name.size() && (static_cast<unsigned char>(name[length]) & 0xC0) == 0x80)
        --length;
    return "." + name.substr(0, length) + kTemporaryMark;
}

std::string randomPart() {
    std::random_device random;
    std::uniform_int_distribution<size_t> pick(0, sizeof kRandomLetters - 2);
    std::string part(kRandomLength, ' ');
    for (char& c : part)
        c = kRandomLetters[pick(random)];
    return part;
}

bool isRandomLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

FileDescriptor openToLock(int folderFd, const char* entry) {
    constexpr int kFlags = O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    // For writing where allowed: NFS grants an exclusive lock only on a file open for writing.
    FileDescriptor fd(::openat(folderFd, entry, O_RDWR | kFlags));
    if (!fd.valid() && errno == EACCES)
        fd.reset(::openat(folderFd, entry, O_RDONLY | kFlags));
    return fd;
}

// Removes the entry when its lock can be taken and the name still belongs to the file that was locked.
void removeIfStale(int folderFd, const char* entry) {
    FileDescriptor fd = openToLock(folderFd, entry);
    struct stat held {};
    if (!fd.valid() || ::fstat(fd.get(), &held) != 0 || !S_ISREG(held.st_mode))
        return;
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0)
        return;
    struct stat named {};
    if (::fstatat(folderFd, entry, &named, AT_SYMLINK_NOFOLLOW) == 0 && sameFile(held, named))
        ::unlinkat(folderFd, entry, 0);
}

// Locks a file just created at path. False when another writer's sweep took it between its creation and the
// lock: that writer removes it, so a new name is needed.
bool holdAsOwn(int fd, const std::string& path) {
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
        return errno != EWOULDBLOCK; // a file system without flock: nobody can sweep it either
    struct stat held {};
    struct stat named {};
    return ::fstat(fd, &held) == 0 && ::lstat(path.c_str(), &named) == 0 && sameFile(held, named);
}

void writeAll(int fd, std::string_view bytes, const std::string& shownPath) {
    while (!bytes.empty()) {
        ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throwFileError("Cannot write file", shownPath, errno);
        bytes.remove_prefix(static_cast<size_t>(n));
    }
}

} // namespace

void throwFileError(const std::string& what, const std::string& path, int code) {
    throw Error(what + " \"" + path + "\". " + std::strerror(code));
}

bool isHiddenTemporary(std::string_view entry, const std::string& name) {
    const std::string stem = temporaryStem(name);
    if (entry.size() != stem.size() + kRandomLength || entry.substr(0, stem.size()) != stem)
        return false;
    return std::all_of(entry.begin() + static_cast<std::ptrdiff_t>(stem.size()), entry.end(), isRandomLetter);
}

bool isHiddenTemporaryOfKind(std::string_view entry, const std::string& name) {
    if (isHiddenTemporary(entry, name))
        return true;
    const size_t dot = name.rfind('.');
    const size_t tail = std::string_view(kTemporaryMark).size() + kRandomLength;
    if (dot == std::string::npos || dot == 0 || name.size() > kNameKept || entry.size() <= tail + 1 ||
        entry.front() != '.')
        return false;
    const std::string_view extension = std::string_view(name).substr(dot);
    const std::string_view stem = entry.substr(1, entry.size() - 1 - tail);
    return stem.size() > extension.size() && stem.ends_with(extension) &&
           isHiddenTemporary(entry, std::string(stem));
}

void removeStaleTemporaries(const std::string& folder, const std::string& name) {
    std::unique_ptr<DIR, int (*)(DIR*)> listing(::opendir(folder.empty() ? "." : folder.c_str()), ::closedir);
    if (!listing)
        return;
    while (const dirent* entry = ::readdir(listing.get()))
        if (isHiddenTemporaryOfKind(entry->d_name, name))
            removeIfStale(::dirfd(listing.get()), entry->d_name);
}

FileDescriptor createHiddenTemporary(const std::string& folder, const std::string& name, std::string& path,
                                     const std::string& shownPath, unsigned mode) {
    removeStaleTemporaries(folder, name);
    const std::string stem = (fs::path(folder.empty() ? "." : folder) / temporaryStem(name)).string();
    for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
        const std::string candidate = stem + randomPart();
        FileDescriptor fd(::open(candidate.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode));
        if (!fd.valid() && errno != EEXIST)
            throwFileError("Cannot create file", shownPath.empty() ? candidate : shownPath, errno);
        if (fd.valid() && holdAsOwn(fd.get(), candidate)) {
            path = candidate;
            return fd;
        }
    }
    throwFileError("Cannot create file", shownPath.empty() ? stem + "XXXXXX" : shownPath, EEXIST);
}

void syncFolder(const std::string& folder) {
    FileDescriptor handle(::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (handle.valid())
        ::fsync(handle.get());
}

void writeFileAtomically(const std::string& path, std::string_view bytes, std::optional<unsigned> mode,
                         bool createFolders, LinkAtPath link) {
    const std::string target = link == LinkAtPath::Follow ? fileBehind(path) : fs::absolute(path).string();
    const std::string folder = fs::path(target).parent_path().string();
    if (createFolders && !folder.empty()) {
        try {
            createOwnerOnlyFolders(folder);
        } catch (const Error& error) {
            throw Error("Cannot create file \"" + path + "\". " + error.text());
        }
    }
    const unsigned fileMode = mode                         ? *mode
                              : link == LinkAtPath::Follow ? existingModeOr(target, kNewFileMode)
                                                           : kNewFileMode;
    std::string temporaryPath;
    // Stays open, and so locked, until the rename is done.
    FileDescriptor out = createHiddenTemporary(folder, fs::path(target).filename().string(), temporaryPath, path);
    TemporaryFile temporary(temporaryPath);
    writeAll(out.get(), bytes, path);
    if (::fchmod(out.get(), fileMode) != 0 || ::fsync(out.get()) != 0)
        throwFileError("Cannot write file", path, errno);
    if (::rename(temporary.path().c_str(), target.c_str()) != 0)
        throwFileError("Cannot create file", path, errno);
    temporary.keep();
    syncFolder(folder);
}

} // namespace tervolen
