#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tervolen {

// Receives bytes in order. write throws Error when the bytes cannot be taken.
class ByteSink {
public:
    virtual ~ByteSink() = default;
    virtual void write(const char* data, size_t size) = 0;
    void write(std::string_view bytes) { write(bytes.data(), bytes.size()); }
};

// Collects the bytes in memory (small entries, headers).
class StringSink final : public ByteSink {
public:
    using ByteSink::write;
    void write(const char* data, size_t size) override { bytes_.append(data, size); }
    const std::string& bytes() const { return bytes_; }

private:
    std::string bytes_;
};

// The seekable output an archive is assembled in. Every member throws Error on failure.
class ArchiveSink : public ByteSink {
public:
    virtual uint64_t position() const = 0;
    virtual void seek(uint64_t position) = 0;
    // Cuts the output at size and moves there.
    virtual void truncate(uint64_t size) = 0;
    // Puts every byte written so far on stable storage.
    virtual void flush() = 0;
};

// An ArchiveSink over an open file descriptor (not owned), buffered.
class FileArchiveSink final : public ArchiveSink {
public:
    FileArchiveSink(int fd, std::string path);

    using ByteSink::write;
    void write(const char* data, size_t size) override;
    uint64_t position() const override { return filePosition_ + buffer_.size(); }
    void seek(uint64_t position) override;
    void truncate(uint64_t size) override;
    void flush() override;

private:
    void drain();
    void writeAll(const char* data, size_t size);
    [[noreturn]] void fail(int code) const;

    int fd_;
    std::string path_;
    std::string buffer_;
    uint64_t filePosition_ = 0;
};

} // namespace tervolen
