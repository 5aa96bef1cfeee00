#pragma once

#include <unistd.h>

namespace tervolen {

// Owns an open file descriptor; -1 holds none.
class ZipFileHandle {
public:
    explicit ZipFileHandle(int fd = -1) : fd_(fd) {}
    ZipFileHandle(const ZipFileHandle&) = delete;
    ZipFileHandle& operator=(const ZipFileHandle&) = delete;
    ZipFileHandle(ZipFileHandle&& other) noexcept : fd_(other.release()) {}
    ZipFileHandle& operator=(ZipFileHandle&& other) noexcept {
        if (this != &other) {
            reset();
            fd_ = other.release();
        }
        return *this;
    }
    ~ZipFileHandle() { reset(); }

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    int release() {
        int fd = fd_;
        fd_ = -1;
        return fd;
    }
    void reset() {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }

private:
    int fd_;
};

} // namespace tervolen
