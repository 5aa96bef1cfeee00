#pragma once

#include <string>
#include <unistd.h>

namespace tervolen {

// An open file descriptor, closed on destruction.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1) : fd_(fd) {}
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.release()) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept {
        reset(other.release());
        return *this;
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() { reset(); }

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    int release() {
        int fd = fd_;
        fd_ = -1;
        return fd;
    }
    void reset(int fd = -1) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = fd;
    }

private:
    int fd_;
};

// A temporary file that is removed on destruction unless kept.
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

// A new hidden temporary file ".<name>.XXXXXX" in folder, opened for writing with mode 0600; its path
// goes to path. Throws Error "Cannot create file" with shownPath (the file the user knows; the temporary
// name when empty) and the system's reason.
FileDescriptor CreateHiddenTemporary(const std::string& folder, const std::string& name, std::string& path,
                                     const std::string& shownPath = {});

// Throws Error: what, the path in double quotes, ". " and the system's text for code.
[[noreturn]] void ThrowFileError(const std::string& what, const std::string& path, int code);

} // namespace tervolen
