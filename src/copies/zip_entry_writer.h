#pragma once

#include "copies/zip_codec.h"
#include "copies/zip_file_search.h"
#include "copies/zip_format.h"
#include "copies/zip_sink.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tervolen {

// Extensions whose Deflate entries are written at level 0, compared without regard to case.
inline constexpr std::array<std::string_view, 27> kStoreFilesOfType = {
    ".ACE", ".ARC", ".ARJ", ".BH",  ".BZ2", ".CAB", ".ENC", ".GZ",  ".HA",  ".JAR", ".LHA", ".LZH", ".MIM", ".PAK",
    ".PK3", ".PK_", ".RAR", ".TAR", ".TGZ", ".UUE", ".UU",  ".WAR", ".XXE", ".Z",   ".ZIP", ".ZOO", ".ZTV"};

bool isStoreFileType(std::string_view fileName);

// Input piece sizes.
inline constexpr size_t kDeflatePieceSize = 128 * 1024;
inline constexpr size_t kBZip2PieceSize = 32 * 1024;

// Whether a source of this size gets ZIP64 size fields in its local header: the room must be there before the
// data is written, and its compressed form may be a little larger than the source.
bool reservesZip64(uint64_t sourceSize);

// An entry written to the archive.
struct WrittenEntry {
    ZipEntryHeader header;
    uint32_t externalAttributes = 0;
    uint64_t offset = 0; // of its local header
};

// Writes new entries, each at the sink's current position.
class ZipEntryWriter {
public:
    // afterPiece runs after each input piece read, with its size. Deflate and Bzip2 entries are coded on threads
    // when there are more than one; with one, the writer codes them itself.
    ZipEntryWriter(ArchiveSink& out, CompressionMethod method, unsigned threads, std::function<void(size_t)> afterPiece);

    // Writes the source as one entry. Returns std::nullopt, with the reason in dropReason, when the source cannot
    // be opened or read; nothing of it then stays in the sink. Throws Error when the sink or a coder fails.
    std::optional<WrittenEntry> write(const FoundFile& source);

    const std::string& dropReason() const { return dropReason_; }

    // With a password, each new entry is encrypted with WinZip AES-256 (AE-2) after it is compressed.
    void setPassword(std::optional<std::string> password) { password_ = std::move(password); }

private:
    WrittenEntry writeEntry(int fd, const FoundFile& source);
    // Deflates a whole small source in memory; stores it instead when that does not shrink it.
    void writeInMemory(WrittenEntry& entry, const std::string& data, int level);
    // Makes header the header of an AES entry when there is a password.
    void markEncrypted(ZipEntryHeader& header) const;
    // Streams the source, whose first piece is already read, through the codec; the local header is written
    // first and filled in once the sizes and the CRC are known.
    void writeStreamed(WrittenEntry& entry, int fd, std::string& piece, ZipCodec& codec, size_t pieceSize,
                       const std::string& path);
    // Reads up to size bytes (fewer only at the end of the source) into piece; returns their count.
    size_t readPiece(int fd, std::string& piece, size_t size, const std::string& path);

    ArchiveSink& out_;
    CompressionMethod method_;
    unsigned threads_;
    std::function<void(size_t)> afterPiece_;
    std::string dropReason_;
    std::optional<std::string> password_;
};

} // namespace tervolen
