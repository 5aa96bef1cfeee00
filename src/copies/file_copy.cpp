#include "copies/file_copy.h"

#include "core/errors.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace tervolen {

namespace {

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    int get() const { return fd_; }
    int release() {
        int fd = fd_;
        fd_ = -1;
        return fd;
    }

private:
    int fd_;
};

[[noreturn]] void Fail(const std::string& what, const std::string& path, int code) {
    throw Error(what + " \"" + path + "\". " + std::strerror(code));
}

// Removes the temporary file unless the copy was put in place.
class TemporaryFile {
public:
    explicit TemporaryFile(std::string path) : path_(std::move(path)) {}
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile() {
        if (!path_.empty())
            ::unlink(path_.c_str());
    }
    const std::string& path() const { return path_; }
    void keep() { path_.clear(); }

private:
    std::string path_;
};

std::string CandidateName(const std::string& fileName, int attempt) {
    if (attempt == 1)
        return fileName;
    size_t dot = fileName.rfind('.');
    std::string suffix = " (" + std::to_string(attempt) + ")";
    if (dot == std::string::npos || dot == 0)
        return fileName + suffix;
    return fileName.substr(0, dot) + suffix + fileName.substr(dot);
}

void CopyBytes(int from, int to, const std::string& source, const std::string& target) {
    std::vector<char> buffer(1 << 20);
    for (;;) {
        ssize_t n = ::read(from, buffer.data(), buffer.size());
        if (n == 0)
            return;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            Fail("Cannot read file", source, errno);
        }
        for (ssize_t done = 0; done < n;) {
            ssize_t w = ::write(to, buffer.data() + done, static_cast<size_t>(n - done));
            if (w < 0) {
                if (errno == EINTR)
                    continue;
                Fail("Cannot write file", target, errno);
            }
            done += w;
        }
    }
}

// Gives the finished temporary file a final name that is not taken yet.
std::string PutInPlace(const TemporaryFile& temporary, const std::string& folder, const std::string& fileName) {
    for (int attempt = 1;; ++attempt) {
        std::string target = folder + "/" + CandidateName(fileName, attempt);
        if (::link(temporary.path().c_str(), target.c_str()) == 0)
            return target;
        if (errno == EEXIST)
            continue;
        if (errno != EPERM && errno != ENOTSUP && errno != EOPNOTSUPP)
            Fail("Cannot create file", target, errno);
        // File systems without hard links: check, then rename.
        struct stat info {};
        if (::lstat(target.c_str(), &info) == 0)
            continue;
        if (::rename(temporary.path().c_str(), target.c_str()) != 0)
            Fail("Cannot create file", target, errno);
        return target;
    }
}

} // namespace

std::string CopyFileKeepingExisting(const std::string& source, const std::string& destFolder,
                                    const std::string& fileName) {
    FileDescriptor in(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
    if (in.get() < 0)
        Fail("Cannot open file", source, errno);

    std::error_code ec;
    std::filesystem::create_directories(destFolder, ec);
    if (ec)
        throw Error("Unable to create directory \"" + destFolder + "\". " + ec.message());

    std::string pattern = destFolder + "/." + fileName + ".XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    FileDescriptor out(::mkstemp(name.data()));
    if (out.get() < 0)
        Fail("Cannot create file", pattern, errno);
    TemporaryFile temporary(name.data());

    CopyBytes(in.get(), out.get(), source, temporary.path());
    if (::fsync(out.get()) != 0 || ::close(out.release()) != 0)
        Fail("Cannot write file", temporary.path(), errno);
    ::chmod(temporary.path().c_str(), 0644);

    std::string target = PutInPlace(temporary, destFolder, fileName);
    return target;
}

} // namespace tervolen
