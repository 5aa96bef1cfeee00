#include "copies/file_copy.h"

#include "core/errors.h"
#include "core/folder_safety.h"
#include "core/posix_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace tervolen {

namespace {

std::string candidateName(const std::string& fileName, int attempt) {
    if (attempt == 1)
        return fileName;
    size_t dot = fileName.rfind('.');
    std::string suffix = " (" + std::to_string(attempt) + ")";
    if (dot == std::string::npos || dot == 0)
        return fileName + suffix;
    return fileName.substr(0, dot) + suffix + fileName.substr(dot);
}

void copyBytes(const OpenedFile& from, int to, const std::string& target) {
    std::vector<char> buffer(1 << 20);
    for (uint64_t offset = 0;;) {
        const auto n = static_cast<ssize_t>(readAt(from, buffer.data(), buffer.size(), offset));
        if (n == 0)
            return;
        offset += static_cast<uint64_t>(n);
        for (ssize_t done = 0; done < n;) {
            ssize_t w = ::write(to, buffer.data() + done, static_cast<size_t>(n - done));
            if (w < 0) {
                if (errno == EINTR)
                    continue;
                throwFileError("Cannot write file", target, errno);
            }
            done += w;
        }
    }
}

// Gives the finished temporary file a final name that is not taken yet.
std::string putInPlace(const TemporaryFile& temporary, const std::string& folder, const std::string& fileName) {
    for (int attempt = 1;; ++attempt) {
        std::string target = folder + "/" + candidateName(fileName, attempt);
        if (::link(temporary.path().c_str(), target.c_str()) == 0)
            return target;
        if (errno == EEXIST)
            continue;
        if (errno != EPERM && errno != ENOTSUP && errno != EOPNOTSUPP)
            throwFileError("Cannot create file", target, errno);
        // File systems without hard links: check, then rename.
        struct stat info {};
        if (::lstat(target.c_str(), &info) == 0)
            continue;
        if (::rename(temporary.path().c_str(), target.c_str()) != 0)
            throwFileError("Cannot create file", target, errno);
        return target;
    }
}

} // namespace

std::string copyFileKeepingExisting(const OpenedFile& source, const std::string& destFolder,
                                    const std::string& fileName) {
    createOwnerOnlyFolders(destFolder);

    std::string temporaryPath;
    // Stays open, and so locked, until the copy has its final name.
    FileDescriptor out = createHiddenTemporary(destFolder, fileName, temporaryPath, destFolder + "/" + fileName);
    TemporaryFile temporary(temporaryPath);

    copyBytes(source, out.get(), temporary.path());
    if (::fsync(out.get()) != 0)
        throwFileError("Cannot write file", temporary.path(), errno);

    std::string target = putInPlace(temporary, destFolder, fileName);
    syncFolder(destFolder);
    return target;
}

} // namespace tervolen
