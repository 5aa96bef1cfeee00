#include "copies/zip_central_directory.h"

#include "copies/zip_format.h"
#include "core/errors.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace tervolen {

namespace {

constexpr size_t kMaxCommentSize = 0xFFFF;

[[noreturn]] void corrupt(const std::string& why) {
    throw Error("Not a valid ZIP archive: " + why + ".");
}

// Whether [start, start + length) lies inside [0, limit).
bool fits(uint64_t start, uint64_t length, uint64_t limit) {
    return start <= limit && length <= limit - start;
}

struct EndOfDirectory {
    uint64_t entryCount = 0;
    uint64_t directorySize = 0;
    uint64_t directoryOffset = 0;
    uint64_t directoryEnd = 0; // where the first end record starts
};

uint64_t findEndRecord(const ZipByteSource& source) {
    uint64_t size = source.size();
    if (size < kEndRecordSize)
        corrupt("too short");
    uint64_t tailSize = std::min<uint64_t>(size, kEndRecordSize + kMaxCommentSize);
    uint64_t tailStart = size - tailSize;
    std::string tail = source.read(tailStart, static_cast<size_t>(tailSize));
    for (size_t at = tail.size() - kEndRecordSize + 1; at-- > 0;) {
        if (getU32(tail, at) == kEndRecordSignature && at + kEndRecordSize + getU16(tail, at + 20) == tail.size())
            return tailStart + at;
    }
    corrupt("no end of central directory record");
}

EndOfDirectory readZip64EndRecord(const ZipByteSource& source, uint64_t locatorAt) {
    std::string locator = source.read(locatorAt, kZip64LocatorSize);
    uint64_t recordAt = getU64(locator, 8);
    if (getU32(locator, 4) != 0 || getU32(locator, 16) > 1)
        corrupt("multi-volume archive");
    if (!fits(recordAt, kZip64EndRecordSize, locatorAt))
        corrupt("ZIP64 end record out of place");
    std::string record = source.read(recordAt, kZip64EndRecordSize);
    if (getU32(record, 0) != kZip64EndRecordSignature)
        corrupt("ZIP64 end record missing");
    uint64_t restSize = getU64(record, 4);
    if (restSize < kZip64EndRecordSize - 12 || restSize != locatorAt - recordAt - 12)
        corrupt("ZIP64 end record of wrong size");
    if (getU32(record, 16) != 0 || getU32(record, 20) != 0 || getU64(record, 24) != getU64(record, 32))
        corrupt("multi-volume archive");
    return EndOfDirectory{getU64(record, 32), getU64(record, 40), getU64(record, 48), recordAt};
}

EndOfDirectory readEndRecords(const ZipByteSource& source) {
    uint64_t endAt = findEndRecord(source);
    if (endAt >= kZip64LocatorSize) {
        uint64_t locatorAt = endAt - kZip64LocatorSize;
        if (getU32(source.read(locatorAt, 4), 0) == kZip64LocatorSignature)
            return readZip64EndRecord(source, locatorAt);
    }
    std::string record = source.read(endAt, kEndRecordSize);
    if (getU16(record, 4) != 0 || getU16(record, 6) != 0 || getU16(record, 8) != getU16(record, 10))
        corrupt("multi-volume archive");
    return EndOfDirectory{getU16(record, 10), getU32(record, 12), getU32(record, 16), endAt};
}

// Takes the values that the 32-bit fields leave to the ZIP64 extra field.
void readZip64Extra(ZipDirectoryEntry& entry, size_t extraStart, size_t extraEnd, uint32_t diskStart) {
    bool needSizes = entry.uncompressedSize == kZip64Limit || entry.compressedSize == kZip64Limit;
    if (!needSizes && !entry.offsetField64 && diskStart != 0xFFFF)
        return;
    std::string_view header = entry.centralHeader;
    for (size_t at = extraStart; extraEnd - at >= 4;) {
        uint16_t id = getU16(header, at);
        size_t size = getU16(header, at + 2);
        size_t data = at + 4;
        if (size > extraEnd - data)
            corrupt("extra field runs past its record");
        if (id == kZip64ExtraId) {
            size_t cursor = data;
            auto take = [&](size_t width) {
                if (cursor + width > data + size)
                    corrupt("ZIP64 extra field too short");
                size_t field = cursor;
                cursor += width;
                return field;
            };
            if (entry.uncompressedSize == kZip64Limit)
                entry.uncompressedSize = getU64(header, take(8));
            if (entry.compressedSize == kZip64Limit)
                entry.compressedSize = getU64(header, take(8));
            if (entry.offsetField64) {
                entry.offsetField = take(8);
                entry.localHeaderOffset = getU64(header, entry.offsetField);
            }
            if (diskStart == 0xFFFF && getU32(header, take(4)) != 0)
                corrupt("multi-volume archive");
            return;
        }
        at = data + size;
    }
    corrupt("ZIP64 extra field missing");
}

ZipDirectoryEntry readCentralHeader(const ZipByteSource& source, uint64_t at, uint64_t directoryEnd) {
    if (!fits(at, kCentralHeaderSize, directoryEnd))
        corrupt("central directory too short");
    std::string fixed = source.read(at, kCentralHeaderSize);
    if (getU32(fixed, 0) != kCentralHeaderSignature)
        corrupt("central directory header missing");
    size_t nameSize = getU16(fixed, 28);
    size_t extraSize = getU16(fixed, 30);
    size_t recordSize = kCentralHeaderSize + nameSize + extraSize + getU16(fixed, 32);
    if (!fits(at, recordSize, directoryEnd))
        corrupt("central directory header runs past the directory");

    ZipDirectoryEntry entry;
    entry.centralHeader = source.read(at, recordSize);
    entry.name = entry.centralHeader.substr(kCentralHeaderSize, nameSize);
    entry.compressedSize = getU32(fixed, 20);
    entry.uncompressedSize = getU32(fixed, 24);
    entry.localHeaderOffset = getU32(fixed, 42);
    entry.offsetField64 = entry.localHeaderOffset == kZip64Limit;
    uint32_t diskStart = getU16(fixed, 34);
    size_t extraStart = kCentralHeaderSize + nameSize;
    readZip64Extra(entry, extraStart, extraStart + extraSize, diskStart);
    if (diskStart != 0 && diskStart != 0xFFFF)
        corrupt("multi-volume archive");
    return entry;
}

// Every entry's local header, name, extra field and data must lie before the next entry (or the directory).
void checkEntryExtents(const ZipByteSource& source, ZipDirectory& directory) {
    std::vector<const ZipDirectoryEntry*> byOffset;
    byOffset.reserve(directory.entries.size());
    for (const auto& entry : directory.entries)
        byOffset.push_back(&entry);
    std::sort(byOffset.begin(), byOffset.end(),
              [](auto* a, auto* b) { return a->localHeaderOffset < b->localHeaderOffset; });
    for (size_t i = 0; i < byOffset.size(); ++i) {
        const ZipDirectoryEntry& entry = *byOffset[i];
        uint64_t end = i + 1 < byOffset.size() ? byOffset[i + 1]->localHeaderOffset : directory.dataEnd;
        uint64_t at = entry.localHeaderOffset;
        if (!fits(at, kLocalHeaderSize, end))
            corrupt("local header out of place");
        std::string local = source.read(at, kLocalHeaderSize);
        if (getU32(local, 0) != kLocalHeaderSignature)
            corrupt("local header missing");
        uint64_t headerSize = kLocalHeaderSize + getU16(local, 26) + getU16(local, 28);
        if (!fits(at, headerSize, end) || !fits(at + headerSize, entry.compressedSize, end))
            corrupt("entry data runs past the next entry");
    }
    directory.dataStart = byOffset.empty() ? directory.dataEnd : byOffset.front()->localHeaderOffset;
}

} // namespace

std::string MemoryByteSource::read(uint64_t offset, size_t size) const {
    if (!fits(offset, size, bytes_.size()))
        corrupt("truncated");
    return std::string(bytes_.substr(static_cast<size_t>(offset), size));
}

FileByteSource::FileByteSource(int fd, std::string path) : fd_(fd), path_(std::move(path)) {
    struct stat info {};
    if (::fstat(fd_, &info) != 0)
        throw Error("Cannot read file \"" + path_ + "\". " + std::strerror(errno));
    size_ = static_cast<uint64_t>(info.st_size);
}

std::string FileByteSource::read(uint64_t offset, size_t size) const {
    if (!fits(offset, size, size_))
        corrupt("truncated");
    std::string bytes(size, '\0');
    for (size_t done = 0; done < size;) {
        ssize_t n = ::pread(fd_, bytes.data() + done, size - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw Error("Cannot read file \"" + path_ + "\". " + std::strerror(errno));
        if (n == 0)
            corrupt("truncated");
        done += static_cast<size_t>(n);
    }
    return bytes;
}

ZipDirectory readCentralDirectory(const ZipByteSource& source) {
    EndOfDirectory end = readEndRecords(source);
    if (end.directoryOffset > end.directoryEnd || end.directorySize != end.directoryEnd - end.directoryOffset)
        corrupt("central directory out of place");
    if (end.entryCount > end.directorySize / kCentralHeaderSize)
        corrupt("more entries than the central directory holds");

    ZipDirectory directory;
    directory.dataEnd = end.directoryOffset;
    directory.entries.reserve(static_cast<size_t>(end.entryCount));
    uint64_t at = end.directoryOffset;
    for (uint64_t i = 0; i < end.entryCount; ++i) {
        directory.entries.push_back(readCentralHeader(source, at, end.directoryEnd));
        at += directory.entries.back().centralHeader.size();
    }
    if (at != end.directoryEnd)
        corrupt("central directory size does not match its entries");
    checkEntryExtents(source, directory);
    return directory;
}

ZipDirectory readCentralDirectory(std::string_view archive) {
    return readCentralDirectory(MemoryByteSource(archive));
}

std::string movedCentralHeader(const ZipDirectoryEntry& entry, uint64_t newOffset) {
    if (newOffset > entry.localHeaderOffset)
        throw Error("ZIP entry cannot move to a later offset.");
    std::string header = entry.centralHeader;
    if (entry.offsetField64)
        setU64(header, entry.offsetField, newOffset);
    else
        setU32(header, entry.offsetField, static_cast<uint32_t>(newOffset));
    return header;
}

} // namespace tervolen
