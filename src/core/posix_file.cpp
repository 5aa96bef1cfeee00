#include "core/posix_file.h"

#include "core/errors.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <vector>

namespace tervolen {

OpenedFile openRegularFile(const std::string& path) {
    OpenedFile file{path, FileDescriptor(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC))};
    if (!file.fd.valid())
        throwFileError("Cannot open file", path, errno);
    struct stat info {};
    if (::fstat(file.fd.get(), &info) != 0)
        throwFileError("Cannot open file", path, errno);
    if (!S_ISREG(info.st_mode))
        throw Error("Cannot open file \"" + path + "\". Not a regular file");
    // O_NONBLOCK only kept a FIFO planted at the name from blocking the open.
    ::fcntl(file.fd.get(), F_SETFL, ::fcntl(file.fd.get(), F_GETFL) & ~O_NONBLOCK);
    return file;
}

std::size_t readAt(const OpenedFile& file, char* buffer, std::size_t size, std::uint64_t offset) {
    for (;;) {
        ssize_t n = ::pread(file.fd.get(), buffer, size, static_cast<off_t>(offset));
        if (n >= 0)
            return static_cast<std::size_t>(n);
        if (errno != EINTR)
            throwFileError("Cannot read file", file.path, errno);
    }
}

FileDescriptor memoryFile(const std::string& name, const std::string& content) {
    FileDescriptor fd(::memfd_create(name.c_str(), MFD_CLOEXEC));
    if (!fd.valid())
        throwFileError("Cannot create file", name, errno);
    for (std::size_t done = 0; done < content.size();) {
        const ssize_t written = ::write(fd.get(), content.data() + done, content.size() - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            throwFileError("Cannot write file", name, errno);
        done += static_cast<std::size_t>(written);
    }
    ::lseek(fd.get(), 0, SEEK_SET);
    return fd;
}

std::optional<FileDescriptor> openToRead(const std::string& path, const std::string& shownPath, bool missingIsNone) {
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!file.valid()) {
        if (errno == ENOENT && missingIsNone)
            return std::nullopt;
        throwFileError("Cannot open file", shownPath, errno);
    }
    struct stat info {};
    if (::fstat(file.get(), &info) != 0)
        throwFileError("Cannot open file", shownPath, errno);
    if (S_ISDIR(info.st_mode))
        throwFileError("Cannot open file", shownPath, EISDIR);
    return file;
}

std::size_t readSome(int fd, const std::string& path, char* buffer, std::size_t size) {
    for (;;) {
        const ssize_t n = ::read(fd, buffer, size);
        if (n >= 0)
            return static_cast<std::size_t>(n);
        if (errno != EINTR)
            throwFileError("Cannot read file", path, errno);
    }
}

void readToEnd(int fd, const std::string& path, const std::function<void(std::string_view chunk)>& onChunk) {
    std::vector<char> buffer(64 * 1024);
    while (const std::size_t n = readSome(fd, path, buffer.data(), buffer.size()))
        onChunk(std::string_view(buffer.data(), n));
}

std::uint64_t fileSize(const OpenedFile& file) {
    struct stat info {};
    if (::fstat(file.fd.get(), &info) != 0)
        throwFileError("Cannot read file", file.path, errno);
    return static_cast<std::uint64_t>(info.st_size);
}

} // namespace tervolen
