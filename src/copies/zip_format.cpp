#include "copies/zip_format.h"

#include "core/errors.h"

namespace tervolen {

namespace {

uint32_t Clamp32(uint64_t value) {
    return value >= kZip64Limit ? 0xFFFFFFFF : static_cast<uint32_t>(value);
}

void CheckField(std::string_view bytes, size_t at, size_t width) {
    if (at > bytes.size() || bytes.size() - at < width)
        throw Error("ZIP field outside its record.");
}

} // namespace

DosDateTime ToDosDateTime(std::time_t moment) {
    std::tm local{};
    if (::localtime_r(&moment, &local) == nullptr || local.tm_year < 80)
        return DosDateTime{0, (1 << 5) | 1};
    if (local.tm_year > 207)
        return DosDateTime{(23 << 11) | (59 << 5) | 29, static_cast<uint16_t>((127 << 9) | (12 << 5) | 31)};
    DosDateTime result;
    result.time = static_cast<uint16_t>((local.tm_hour << 11) | (local.tm_min << 5) | (local.tm_sec / 2));
    result.date = static_cast<uint16_t>(((local.tm_year - 80) << 9) | ((local.tm_mon + 1) << 5) | local.tm_mday);
    return result;
}

std::string EncodeLocalHeader(const ZipEntryHeader& header) {
    if (!header.zip64 && (header.compressedSize >= kZip64Limit || header.uncompressedSize >= kZip64Limit))
        throw Error("ZIP entry too large for its local header.");
    std::string out;
    out.reserve(kLocalHeaderSize + header.name.size() + 20);
    PutU32(out, kLocalHeaderSignature);
    PutU16(out, header.zip64 ? kVersionZip64 : kVersionDefault);
    PutU16(out, header.flags);
    PutU16(out, header.method);
    PutU16(out, header.modified.time);
    PutU16(out, header.modified.date);
    PutU32(out, header.crc32);
    PutU32(out, header.zip64 ? 0xFFFFFFFF : static_cast<uint32_t>(header.compressedSize));
    PutU32(out, header.zip64 ? 0xFFFFFFFF : static_cast<uint32_t>(header.uncompressedSize));
    PutU16(out, static_cast<uint16_t>(header.name.size()));
    PutU16(out, header.zip64 ? 20 : 0);
    out += header.name;
    if (header.zip64) {
        PutU16(out, kZip64ExtraId);
        PutU16(out, 16);
        PutU64(out, header.uncompressedSize);
        PutU64(out, header.compressedSize);
    }
    return out;
}

bool CentralHeaderNeedsZip64(const ZipEntryHeader& header, uint64_t localHeaderOffset) {
    return header.uncompressedSize >= kZip64Limit || header.compressedSize >= kZip64Limit ||
           localHeaderOffset >= kZip64Limit;
}

std::string EncodeCentralHeader(const ZipEntryHeader& header, uint32_t externalAttributes, uint64_t localHeaderOffset) {
    std::string extra;
    for (uint64_t value : {header.uncompressedSize, header.compressedSize, localHeaderOffset})
        if (value >= kZip64Limit)
            PutU64(extra, value);
    if (!extra.empty()) {
        std::string field;
        PutU16(field, kZip64ExtraId);
        PutU16(field, static_cast<uint16_t>(extra.size()));
        extra = field + extra;
    }
    uint16_t version = header.zip64 || !extra.empty() ? kVersionZip64 : kVersionDefault;

    std::string out;
    out.reserve(kCentralHeaderSize + header.name.size() + extra.size());
    PutU32(out, kCentralHeaderSignature);
    PutU16(out, version);
    PutU16(out, version);
    PutU16(out, header.flags);
    PutU16(out, header.method);
    PutU16(out, header.modified.time);
    PutU16(out, header.modified.date);
    PutU32(out, header.crc32);
    PutU32(out, Clamp32(header.compressedSize));
    PutU32(out, Clamp32(header.uncompressedSize));
    PutU16(out, static_cast<uint16_t>(header.name.size()));
    PutU16(out, static_cast<uint16_t>(extra.size()));
    PutU16(out, 0); // comment length
    PutU16(out, 0); // disk number start
    PutU16(out, kInternalAttributesBinary);
    PutU32(out, externalAttributes & kExternalAttributesMask);
    PutU32(out, Clamp32(localHeaderOffset));
    out += header.name;
    out += extra;
    return out;
}

std::string EncodeEndRecords(uint64_t entryCount, uint64_t directorySize, uint64_t directoryOffset, bool zip64) {
    zip64 = zip64 || entryCount >= kZip64CountLimit || directorySize >= kZip64Limit || directoryOffset >= kZip64Limit;
    std::string out;
    if (zip64) {
        uint64_t recordOffset = directoryOffset + directorySize;
        PutU32(out, kZip64EndRecordSignature);
        PutU64(out, kZip64EndRecordSize - 12); // size of the rest of the record
        PutU16(out, kVersionZip64);            // version made by
        PutU16(out, kVersionZip64);            // version needed to extract
        PutU32(out, 0);                        // number of this disk
        PutU32(out, 0);                        // disk where the central directory starts
        PutU64(out, entryCount);
        PutU64(out, entryCount);
        PutU64(out, directorySize);
        PutU64(out, directoryOffset);
        PutU32(out, kZip64LocatorSignature);
        PutU32(out, 0); // disk of the ZIP64 end record
        PutU64(out, recordOffset);
        PutU32(out, 1); // total number of disks
    }
    uint16_t count = entryCount >= kZip64CountLimit ? 0xFFFF : static_cast<uint16_t>(entryCount);
    PutU32(out, kEndRecordSignature);
    PutU16(out, 0);
    PutU16(out, 0);
    PutU16(out, count);
    PutU16(out, count);
    PutU32(out, Clamp32(directorySize));
    PutU32(out, Clamp32(directoryOffset));
    PutU16(out, 0); // comment length
    return out;
}

void PutU16(std::string& out, uint16_t value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>(value >> 8);
}

void PutU32(std::string& out, uint32_t value) {
    PutU16(out, static_cast<uint16_t>(value & 0xFFFF));
    PutU16(out, static_cast<uint16_t>(value >> 16));
}

void PutU64(std::string& out, uint64_t value) {
    PutU32(out, static_cast<uint32_t>(value & 0xFFFFFFFF));
    PutU32(out, static_cast<uint32_t>(value >> 32));
}

uint16_t GetU16(std::string_view bytes, size_t at) {
    CheckField(bytes, at, 2);
    return static_cast<uint16_t>(static_cast<uint8_t>(bytes[at]) | static_cast<uint8_t>(bytes[at + 1]) << 8);
}

uint32_t GetU32(std::string_view bytes, size_t at) {
    return GetU16(bytes, at) | static_cast<uint32_t>(GetU16(bytes, at + 2)) << 16;
}

uint64_t GetU64(std::string_view bytes, size_t at) {
    return GetU32(bytes, at) | static_cast<uint64_t>(GetU32(bytes, at + 4)) << 32;
}

void SetU32(std::string& bytes, size_t at, uint32_t value) {
    CheckField(bytes, at, 4);
    std::string field;
    PutU32(field, value);
    bytes.replace(at, 4, field);
}

void SetU64(std::string& bytes, size_t at, uint64_t value) {
    CheckField(bytes, at, 8);
    std::string field;
    PutU64(field, value);
    bytes.replace(at, 8, field);
}

} // namespace tervolen
