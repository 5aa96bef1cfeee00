#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tervolen {

// Random-access bytes of an existing archive.
class ZipByteSource {
public:
    virtual ~ZipByteSource() = default;
    virtual uint64_t size() const = 0;
    // The size bytes at offset. Throws Error when they do not all lie inside the source or cannot be read.
    virtual std::string read(uint64_t offset, size_t size) const = 0;
};

class MemoryByteSource final : public ZipByteSource {
public:
    explicit MemoryByteSource(std::string_view bytes) : bytes_(bytes) {}
    uint64_t size() const override { return bytes_.size(); }
    std::string read(uint64_t offset, size_t size) const override;

private:
    std::string_view bytes_;
};

// Reads an open file (the descriptor is not owned).
class FileByteSource final : public ZipByteSource {
public:
    // Throws Error when the file's size cannot be had.
    FileByteSource(int fd, std::string path);
    uint64_t size() const override { return size_; }
    std::string read(uint64_t offset, size_t size) const override;

private:
    int fd_;
    std::string path_;
    uint64_t size_ = 0;
};

// One entry as an archive's central directory records it.
struct ZipDirectoryEntry {
    std::string name;
    // The whole central header as stored: fixed part, name, extra field, comment.
    std::string centralHeader;
    uint64_t localHeaderOffset = 0;
    uint64_t compressedSize = 0;
    uint64_t uncompressedSize = 0;
    // Where centralHeader holds the local header offset: 4 bytes at 42, or 8 bytes inside the ZIP64 extra field.
    size_t offsetField = 42;
    bool offsetField64 = false;
};

struct ZipDirectory {
    std::vector<ZipDirectoryEntry> entries; // in the central directory's order
    // The entries' bytes (local headers, data, descriptors) lie in [dataStart, dataEnd); dataEnd is where the
    // central directory starts.
    uint64_t dataStart = 0;
    uint64_t dataEnd = 0;
};

// Reads the end records and the central directory of a single-volume archive (ZIP64 included) and checks that
// every entry's local header and data lie before the central directory. Never reads outside the source.
// Throws Error "... is not a valid ZIP archive." style texts for anything else.
ZipDirectory readCentralDirectory(const ZipByteSource& source);
ZipDirectory readCentralDirectory(std::string_view archive);

// The entry's central header with its local header offset changed to newOffset, which must not be larger than
// the old one.
std::string movedCentralHeader(const ZipDirectoryEntry& entry, uint64_t newOffset);

} // namespace tervolen
