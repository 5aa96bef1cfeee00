#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace tervolen {

inline constexpr uint32_t kLocalHeaderSignature = 0x04034B50;
inline constexpr uint32_t kCentralHeaderSignature = 0x02014B50;
inline constexpr uint32_t kEndRecordSignature = 0x06054B50;
inline constexpr uint32_t kZip64EndRecordSignature = 0x06064B50;
inline constexpr uint32_t kZip64LocatorSignature = 0x07064B50;

inline constexpr size_t kLocalHeaderSize = 30;
inline constexpr size_t kCentralHeaderSize = 46;
inline constexpr size_t kEndRecordSize = 22;
inline constexpr size_t kZip64EndRecordSize = 56;
inline constexpr size_t kZip64LocatorSize = 20;

inline constexpr uint16_t kZip64ExtraId = 0x0001;
// Sizes and offsets from this value on are held in the ZIP64 extra field; the 32-bit field then reads 0xFFFFFFFF.
inline constexpr uint64_t kZip64Limit = 0xFFFFFFFF;
inline constexpr uint64_t kZip64CountLimit = 0xFFFF;

inline constexpr uint16_t kVersionDefault = 20;
inline constexpr uint16_t kVersionZip64 = 45;
inline constexpr uint16_t kVersionAes = 51;
inline constexpr uint16_t kFlagEncrypted = 0x0001;
inline constexpr uint16_t kFlagMaximumDeflate = 0x0002;
inline constexpr uint16_t kFlagUtf8Name = 0x0800;
// Internal attributes: 0 marks the entry binary, so no reader converts the line ends of a backup.
inline constexpr uint16_t kInternalAttributesBinary = 0;
inline constexpr uint32_t kExternalAttributesMask = 0x40BF;

struct DosDateTime {
    uint16_t time = 0;
    uint16_t date = 0;
};

// MS-DOS time and date of a moment in local time; moments outside 1980..2107 are clamped to those years.
DosDateTime toDosDateTime(std::time_t moment);

// The fields that the local and the central header of an entry share.
struct ZipEntryHeader {
    uint16_t flags = 0;
    uint16_t method = 0;
    DosDateTime modified;
    uint32_t crc32 = 0;
    uint64_t compressedSize = 0;
    uint64_t uncompressedSize = 0;
    std::string name;
    // Both sizes are held in a ZIP64 extra field of the local header (20 bytes); version 45 is then needed.
    bool zip64 = false;
    // For a WinZip AES entry (method 99): the real method, in a 0x9901 extra field of both headers (11 bytes,
    // after any ZIP64 field); version 51 is then needed.
    std::optional<uint16_t> aesMethod;
};

// Local header and name. Without zip64 the sizes must stay below 0xFFFFFFFF.
std::string encodeLocalHeader(const ZipEntryHeader& header);

// Whether an entry with these values needs ZIP64 fields in its central header.
bool centralHeaderNeedsZip64(const ZipEntryHeader& header, uint64_t localHeaderOffset);

// Central header and name. Sizes or offset of 0xFFFFFFFF and more go to a ZIP64 extra field, in the order
// uncompressed size, compressed size, offset; versions are 45 for an entry with any ZIP64 field, 20 otherwise.
std::string encodeCentralHeader(const ZipEntryHeader& header, uint32_t externalAttributes, uint64_t localHeaderOffset);

// The records that end an archive: the 22-byte end record, preceded by the ZIP64 end record and its locator
// when zip64 is set or a count, the size or the offset does not fit the end record.
std::string encodeEndRecords(uint64_t entryCount, uint64_t directorySize, uint64_t directoryOffset, bool zip64);

// Little-endian fields. The readers throw Error when the field does not lie inside bytes.
void putU16(std::string& out, uint16_t value);
void putU32(std::string& out, uint32_t value);
void putU64(std::string& out, uint64_t value);
uint16_t getU16(std::string_view bytes, size_t at);
uint32_t getU32(std::string_view bytes, size_t at);
uint64_t getU64(std::string_view bytes, size_t at);
void setU32(std::string& bytes, size_t at, uint32_t value);
void setU64(std::string& bytes, size_t at, uint64_t value);

} // namespace tervolen
