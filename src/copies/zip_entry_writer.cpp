#include "copies/zip_entry_writer.h"

#include "copies/bzip2_codec.h"
#include "copies/deflate_codec.h"
#include "copies/parallel_bzip2_codec.h"
#include "copies/parallel_deflate_codec.h"
#include "copies/zip_aes_sink.h"
#include "core/posix_file.h"
#include "core/errors.h"
#include "core/text_conversion.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <zlib.h>

namespace tervolen {

namespace {

// Deflate sources under this size are compressed in memory and stored when that does not shrink them.
constexpr size_t kSmallSourceSize = 257;
constexpr int kMaximumLevel = 9;

// A source that cannot be opened or read: its entry is dropped.
class SourceError : public Error {
public:
    using Error::Error;
};

[[noreturn]] void failSource(const std::string& what, const std::string& path, int code) {
    throw SourceError(what + " \"" + path + "\". " + std::strerror(code));
}

std::string_view fileNameOf(std::string_view path) {
    size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

uint32_t crc32(uint32_t crc, std::string_view bytes) {
    return static_cast<uint32_t>(
        crc32_z(crc, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<z_size_t>(bytes.size())));
}

} // namespace

bool isStoreFileType(std::string_view fileName) {
    size_t dot = fileName.find_last_of("./");
    if (dot == std::string_view::npos || fileName[dot] != '.')
        return false;
    std::string_view ext = fileName.substr(dot);
    return std::any_of(kStoreFilesOfType.begin(), kStoreFilesOfType.end(),
                       [ext](std::string_view type) { return sameText(ext, type); });
}

bool reservesZip64(uint64_t sourceSize) {
    return sourceSize >= kZip64Limit || sourceSize + sourceSize / 50 + (1u << 20) >= kZip64Limit;
}

ZipEntryWriter::ZipEntryWriter(ArchiveSink& out, CompressionMethod method, unsigned threads,
                               std::function<void(size_t)> afterPiece)
    : out_(out), method_(method), threads_(threads), afterPiece_(std::move(afterPiece)) {}

std::optional<WrittenEntry> ZipEntryWriter::write(const FoundFile& source) {
    uint64_t start = out_.position();
    try {
        // Non-blocking, so that a source replaced by a pipe since the search cannot hold the call; a link put
        // at its name since then is not followed.
        FileDescriptor fd(::open(source.path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW));
        if (!fd.valid())
            failSource("Cannot open file", source.path, errno);
        return writeEntry(fd.get(), source);
    } catch (const SourceError& error) {
        dropReason_ = error.what();
        out_.truncate(start);
        return std::nullopt;
    }
}

WrittenEntry ZipEntryWriter::writeEntry(int fd, const FoundFile& source) {
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        failSource("Cannot read file", source.path, errno);
    if (!S_ISREG(info.st_mode))
        throw SourceError("\"" + source.path + "\" is not a file.");
    if (source.storedName.size() > 0xFFFF)
        failSource("Name too long for a ZIP entry", source.path, ENAMETOOLONG);
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);

    WrittenEntry entry;
    entry.offset = out_.position();
    entry.header.name = source.storedName;
    // Names are UTF-8; ASCII names keep every flag clear.
    if (std::any_of(source.storedName.begin(), source.storedName.end(), [](char c) { return c & 0x80; }))
        entry.header.flags = kFlagUtf8Name;
    entry.header.modified = toDosDateTime(info.st_mtime);
    entry.externalAttributes = dosAttributes(fileNameOf(source.path), info.st_mode);
    entry.header.zip64 = reservesZip64(static_cast<uint64_t>(info.st_size));

    size_t pieceSize = method_ == CompressionMethod::Bzip2 ? kBZip2PieceSize : kDeflatePieceSize;
    std::string piece;
    readPiece(fd, piece, pieceSize, source.path);
    if (method_ == CompressionMethod::Bzip2) {
        entry.header.method = kMethodBZip2;
        std::unique_ptr<ZipCodec> codec;
        if (threads_ > 1)
            codec = std::make_unique<ParallelBZip2Codec>(threads_);
        else
            codec = std::make_unique<BZip2Codec>();
        writeStreamed(entry, fd, piece, *codec, pieceSize, source.path);
    } else if (method_ == CompressionMethod::Store) {
        entry.header.method = kMethodStored;
        StoreCodec codec;
        writeStreamed(entry, fd, piece, codec, pieceSize, source.path);
    } else {
        int level = isStoreFileType(fileNameOf(source.path)) ? 0 : kMaximumLevel;
        if (piece.size() < kSmallSourceSize) {
            writeInMemory(entry, piece, level);
        } else {
            entry.header.method = kMethodDeflated;
            entry.header.flags |= kFlagMaximumDeflate;
            std::unique_ptr<ZipCodec> codec;
            if (threads_ > 1)
                codec = std::make_unique<ParallelDeflateCodec>(level, threads_);
            else
                codec = std::make_unique<DeflateCodec>(level);
            writeStreamed(entry, fd, piece, *codec, pieceSize, source.path);
        }
    }
    return entry;
}

void ZipEntryWriter::markEncrypted(ZipEntryHeader& header) const {
    if (!password_)
        return;
    header.aesMethod = header.method;
    header.method = kMethodAes;
    header.flags |= kFlagEncrypted;
}

void ZipEntryWriter::writeInMemory(WrittenEntry& entry, const std::string& data, int level) {
    ZipEntryHeader& header = entry.header;
    header.zip64 = false;
    header.crc32 = crc32(0, data);
    header.uncompressedSize = data.size();
    header.method = kMethodStored;
    std::string_view payload = data;
    StringSink packed;
    if (!data.empty()) {
        DeflateCodec codec(level);
        codec.compress(data, packed);
        codec.finish(packed);
        if (packed.bytes().size() <= data.size()) {
            header.method = kMethodDeflated;
            header.flags |= kFlagMaximumDeflate;
            payload = packed.bytes();
        }
    }
    if (!password_) {
        header.compressedSize = payload.size();
        out_.write(encodeLocalHeader(header));
        out_.write(payload.data(), payload.size());
        return;
    }
    markEncrypted(header);
    header.crc32 = 0;
    header.compressedSize = kAesSaltSize + kAesVerifierSize + payload.size() + kAesCodeSize;
    out_.write(encodeLocalHeader(header));
    AesEntrySink encrypted(*password_, out_);
    encrypted.write(payload.data(), payload.size());
    encrypted.finish();
}

void ZipEntryWriter::writeStreamed(WrittenEntry& entry, int fd, std::string& piece, ZipCodec& codec, size_t pieceSize,
                                   const std::string& path) {
    ZipEntryHeader& header = entry.header;
    markEncrypted(header);
    out_.write(encodeLocalHeader(header));
    uint64_t dataStart = out_.position();
    std::optional<AesEntrySink> encrypted;
    if (password_)
        encrypted.emplace(*password_, out_);
    ByteSink& data = encrypted ? static_cast<ByteSink&>(*encrypted) : out_;
    const bool codecFindsCrc = codec.inputCrc().has_value();
    uint32_t crc = crc32(0, {});
    uint64_t total = 0;
    for (;;) {
        if (!codecFindsCrc)
            crc = crc32(crc, piece);
        total += piece.size();
        codec.compress(piece, data);
        if (piece.size() < pieceSize || readPiece(fd, piece, pieceSize, path) == 0)
            break;
    }
    codec.finish(data);
    if (encrypted)
        encrypted->finish();
    uint64_t end = out_.position();
    // AE-2 leaves the CRC out: the authentication code checks the data.
    header.crc32 = encrypted ? 0 : codecFindsCrc ? *codec.inputCrc() : crc;
    header.uncompressedSize = total;
    header.compressedSize = end - dataStart;
    if (!header.zip64 && (header.compressedSize >= kZip64Limit || header.uncompressedSize >= kZip64Limit))
        failSource("File grew past 4 GiB while it was compressed:", path, EFBIG);
    out_.seek(entry.offset);
    out_.write(encodeLocalHeader(header));
    out_.seek(end);
}

size_t ZipEntryWriter::readPiece(int fd, std::string& piece, size_t size, const std::string& path) {
    piece.resize(size);
    size_t done = 0;
    while (done < size) {
        ssize_t n = ::read(fd, piece.data() + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            failSource("Cannot read file", path, errno);
        if (n == 0)
            break;
        done += static_cast<size_t>(n);
    }
    piece.resize(done);
    if (afterPiece_)
        afterPiece_(done);
    return done;
}

} // namespace tervolen
