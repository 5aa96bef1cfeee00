#include "services/database_header.h"

#include "core/errors.h"
#include "core/posix_file.h"

#include <cstring>
#include <fcntl.h>

namespace tervolen {

namespace {

// The fixed part of the header page that every structure from ODS 10 to 13 shares.
constexpr std::size_t kHeaderBytes = 44;
constexpr unsigned char kHeaderPageType = 1;
constexpr std::size_t kPageSizeAt = 16;
constexpr std::size_t kOdsVersionAt = 18;
constexpr std::size_t kFlagsAt = 42;
constexpr unsigned kOdsFirebirdFlag = 0x8000;
constexpr unsigned kShutdownMask = 0x1080;

unsigned readUnsigned16(std::string_view bytes, std::size_t at) {
    std::uint16_t value = 0;
    std::memcpy(&value, bytes.data() + at, sizeof value);
    return value;
}

} // namespace

std::optional<DatabaseHeader> parseDatabaseHeader(std::string_view bytes) {
    if (bytes.size() < kHeaderBytes || static_cast<unsigned char>(bytes[0]) != kHeaderPageType)
        return std::nullopt;
    DatabaseHeader header;
    header.pageSize = readUnsigned16(bytes, kPageSizeAt);
    header.odsMajor = readUnsigned16(bytes, kOdsVersionAt) & ~kOdsFirebirdFlag;
    const bool powerOfTwo = (header.pageSize & (header.pageSize - 1)) == 0;
    if (header.pageSize < 1024 || !powerOfTwo || header.odsMajor < 10 || header.odsMajor > 13)
        return std::nullopt;
    header.shutDown = (readUnsigned16(bytes, kFlagsAt) & kShutdownMask) != 0;
    return header;
}

DatabaseHeader readDatabaseHeader(const std::string& path) {
    const std::optional<FileDescriptor> fd = openToRead(path, path, false);
    char buffer[kHeaderBytes];
    std::size_t got = 0;
    while (got < sizeof buffer) {
        const std::size_t some = readSome(fd->get(), path, buffer + got, sizeof buffer - got);
        if (some == 0)
            break;
        got += some;
    }
    const std::optional<DatabaseHeader> header = parseDatabaseHeader({buffer, got});
    if (!header)
        throw Error("\"" + path + "\" is no Firebird database.");
    return *header;
}

} // namespace tervolen
