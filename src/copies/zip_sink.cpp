#include "copies/zip_sink.h"

#include "core/errors.h"

#include <cerrno>
#include <cstring>
#include <string_view>
#include <unistd.h>

namespace tervolen {

namespace {
constexpr size_t kBufferSize = 256 * 1024;
}

FileArchiveSink::FileArchiveSink(int fd, std::string path) : fd_(fd), path_(std::move(path)) {
    buffer_.reserve(kBufferSize);
}

void FileArchiveSink::write(const char* data, size_t size) {
    if (buffer_.size() + size > kBufferSize)
        drain();
    if (size >= kBufferSize) {
        writeAll(data, size);
        return;
    }
    buffer_.append(data, size);
}

void FileArchiveSink::seek(uint64_t position) {
    drain();
    if (::lseek(fd_, static_cast<off_t>(position), SEEK_SET) < 0)
        fail(errno);
    filePosition_ = position;
}

void FileArchiveSink::truncate(uint64_t size) {
    drain();
    if (::ftruncate(fd_, static_cast<off_t>(size)) != 0)
        fail(errno);
    seek(size);
}

void FileArchiveSink::flush() {
    drain();
    if (::fsync(fd_) != 0)
        fail(errno);
}

void FileArchiveSink::drain() {
    if (buffer_.empty())
        return;
    std::string_view pending = buffer_;
    writeAll(pending.data(), pending.size());
    buffer_.clear();
}

void FileArchiveSink::writeAll(const char* data, size_t size) {
    while (size > 0) {
        ssize_t n = ::write(fd_, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            fail(errno);
        }
        data += n;
        size -= static_cast<size_t>(n);
        filePosition_ += static_cast<uint64_t>(n);
    }
}

void FileArchiveSink::fail(int code) const {
    throw Error("Cannot write file \"" + path_ + "\". " + std::strerror(code));
}

} // namespace tervolen
