#include "copies/zip_format.h"

#include "copies/zip_aes_sink.h"
#include "core/errors.h"

namespace tervolen {

namespace {

uint32_t clamp32(uint64_t value) {
    return value >= kZip64Limit ? 0xFFFFFFFF : static_cast<uint32_t>(value);
}

void checkField(std::string_view bytes, size_t at, size_t width) {
    if (at > bytes.size() || bytes.size() - at < width)
        throw Error("ZIP field outside its record.");
}

} // namespace

DosDateTime toDosDateTime(std::time_t moment) {
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

namespace {

// The 0x9901 extra field of an AES entry; empty for others.
std::string aesExtraField(const ZipEntryHeader& header) {
    std::string field;
    if (!header.aesMethod)
        return field;
    putU16(field, kAesExtraId);
    putU16(field, 7);
    putU16(field, kAesVendorVersion);
    field += "AE";
    field += static_cast<char>(kAesStrength256);
    putU16(field, *header.aesMethod);
    return field;
}

uint16_t versionNeeded(const ZipEntryHeader& header, bool zip64) {
    return header.aesMethod ? kVersionAes : zip64 ? kVersionZip64 : kVersionDefault;
}

} // namespace

std::string encodeLocalHeader(const ZipEntryHeader& header) {
    if (!header.zip64 && (header.compressedSize >= kZip64Limit || header.uncompressedSize >= kZip64Limit))
        throw Error("ZIP entry too large for its local header.");
    std::string out;
    out.reserve(kLocalHeaderSize + header.name.size() + 20);
    putU32(out, kLocalHeaderSignature);
    putU16(out, versionNeeded(header, header.zip64));
    putU16(out, header.flags);
    putU16(out, header.method);
    putU16(out, header.modified.time);
    putU16(out, header.modified.date);
    putU32(out, header.crc32);
    putU32(out, header.zip64 ? 0xFFFFFFFF : static_cast<uint32_t>(header.compressedSize));
    putU32(out, header.zip64 ? 0xFFFFFFFF : static_cast<uint32_t>(header.uncompressedSize));
    putU16(out, static_cast<uint16_t>(header.name.size()));
    const std::string aes = aesExtraField(header);
    putU16(out, static_cast<uint16_t>((header.zip64 ? 20 : 0) + aes.size()));
    out += header.name;
    if (header.zip64) {
        putU16(out, kZip64ExtraId);
        putU16(out, 16);
        putU64(out, header.uncompressedSize);
        putU64(out, header.compressedSize);
    }
    return out + aes;
}

bool centralHeaderNeedsZip64(const ZipEntryHeader& header, uint64_t localHeaderOffset) {
    return header.uncompressedSize >= kZip64Limit || header.compressedSize >= kZip64Limit ||
           localHeaderOffset >= kZip64Limit;
}

std::string encodeCentralHeader(const ZipEntryHeader& header, uint32_t externalAttributes, uint64_t localHeaderOffset) {
    std::string extra;
    for (uint64_t value : {header.uncompressedSize, header.compressedSize, localHeaderOffset})
        if (value >= kZip64Limit)
            putU64(extra, value);
    if (!extra.empty()) {
        std::string field;
        putU16(field, kZip64ExtraId);
        putU16(field, static_cast<uint16_t>(extra.size()));
        extra = field + extra;
    }
    uint16_t version = versionNeeded(header, header.zip64 || !extra.empty());
    extra += aesExtraField(header);

    std::string out;
    out.reserve(kCentralHeaderSize + header.name.size() + extra.size());
    putU32(out, kCentralHeaderSignature);
    putU16(out, version);
    putU16(out, version);
    putU16(out, header.flags);
    putU16(out, header.method);
    putU16(out, header.modified.time);
    putU16(out, header.modified.date);
    putU32(out, header.crc32);
    putU32(out, clamp32(header.compressedSize));
    putU32(out, clamp32(header.uncompressedSize));
    putU16(out, static_cast<uint16_t>(header.name.size()));
    putU16(out, static_cast<uint16_t>(extra.size()));
    putU16(out, 0); // comment length
    putU16(out, 0); // disk number start
    putU16(out, kInternalAttributesBinary);
    putU32(out, externalAttributes & kExternalAttributesMask);
    putU32(out, clamp32(localHeaderOffset));
    out += header.name;
    out += extra;
    return out;
}

std::string encodeEndRecords(uint64_t entryCount, uint64_t directorySize, uint64_t directoryOffset, bool zip64) {
    zip64 = zip64 || entryCount >= kZip64CountLimit || directorySize >= kZip64Limit || directoryOffset >= kZip64Limit;
    std::string out;
    if (zip64) {
        uint64_t recordOffset = directoryOffset + directorySize;
        putU32(out, kZip64EndRecordSignature);
        putU64(out, kZip64EndRecordSize - 12); // size of the rest of the record
        putU16(out, kVersionZip64);            // version made by
        putU16(out, kVersionZip64);            // version needed to extract
        putU32(out, 0);                        // number of this disk
        putU32(out, 0);                        // disk where the central directory starts
        putU64(out, entryCount);
        putU64(out, entryCount);
        putU64(out, directorySize);
        putU64(out, directoryOffset);
        putU32(out, kZip64LocatorSignature);
        putU32(out, 0); // disk of the ZIP64 end record
        putU64(out, recordOffset);
        putU32(out, 1); // total number of disks
    }
    uint16_t count = entryCount >= kZip64CountLimit ? 0xFFFF : static_cast<uint16_t>(entryCount);
    putU32(out, kEndRecordSignature);
    putU16(out, 0);
    putU16(out, 0);
    putU16(out, count);
    putU16(out, count);
    putU32(out, clamp32(directorySize));
    putU32(out, clamp32(directoryOffset));
    putU16(out, 0); // comment length
    return out;
}

void putU16(std::string& out, uint16_t value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>(value >> 8);
}

void putU32(std::string& out, uint32_t value) {
    putU16(out, static_cast<uint16_t>(value & 0xFFFF));
    putU16(out, static_cast<uint16_t>(value >> 16));
}

void putU64(std::string& out, uint64_t value) {
    putU32(out, static_cast<uint32_t>(value & 0xFFFFFFFF));
    putU32(out, static_cast<uint32_t>(value >> 32));
}

uint16_t getU16(std::string_view bytes, size_t at) {
    checkField(bytes, at, 2);
    return static_cast<uint16_t>(static_cast<uint8_t>(bytes[at]) | static_cast<uint8_t>(bytes[at + 1]) << 8);
}

uint32_t getU32(std::string_view bytes, size_t at) {
    return getU16(bytes, at) | static_cast<uint32_t>(getU16(bytes, at + 2)) << 16;
}

uint64_t getU64(std::string_view bytes, size_t at) {
    return getU32(bytes, at) | static_cast<uint64_t>(getU32(bytes, at + 4)) << 32;
}

void setU32(std::string& bytes, size_t at, uint32_t value) {
    checkField(bytes, at, 4);
    std::string field;
    putU32(field, value);
    bytes.replace(at, 4, field);
}

void setU64(std::string& bytes, size_t at, uint64_t value) {
    checkField(bytes, at, 8);
    std::string field;
    putU64(field, value);
    bytes.replace(at, 8, field);
}

} // namespace tervolen
