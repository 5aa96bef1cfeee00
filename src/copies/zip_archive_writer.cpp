#include "copies/zip_archive_writer.h"

#include "copies/zip_central_directory.h"
#include "copies/zip_entry_writer.h"
#include "copies/zip_file_search.h"
#include "copies/zip_format.h"
#include "copies/usable_cores.h"
#include "core/errors.h"
#include "core/paths.h"
#include "core/posix_file.h"
#include "core/text_conversion.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace tervolen {

namespace {

constexpr size_t kCopyPieceSize = 128 * 1024;

[[noreturn]] void fail(const std::string& what, const std::string& path, int code) {
    throw Error(what + " \"" + path + "\". " + std::strerror(code));
}

struct ExistingArchive {
    FileDescriptor fd;
    ZipDirectory directory;
};

// The archive already at path, if any. Anything there that is not a readable ZIP archive is an error; a link is
// not followed, so the archive never takes in a file that whoever planted the link may not read.
std::optional<ExistingArchive> openExistingArchive(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return std::nullopt;
        fail("Cannot open file", path, errno);
    }
    if (!S_ISREG(info.st_mode))
        throw Error("\"" + path + "\" is not a ZIP archive; it is left alone.");
    ExistingArchive archive{FileDescriptor(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW)), {}};
    if (!archive.fd.valid())
        fail("Cannot open file", path, errno);
    try {
        archive.directory = readCentralDirectory(FileByteSource(archive.fd.get(), path));
    } catch (const Error& error) {
        throw Error("\"" + path + "\" is left alone. " + error.text());
    }
    return archive;
}

// The files of every FileSpec entry, less those whose stored name is already taken (without regard to case).
std::vector<FoundFile> selectFiles(const std::vector<std::string>& specs,
                                   const std::optional<ExistingArchive>& existing, const ProcessEvents& processEvents) {
    std::vector<std::string> taken;
    if (existing)
        for (const ZipDirectoryEntry& entry : existing->directory.entries)
            taken.push_back(entry.name);
    std::vector<FoundFile> selected;
    for (const std::string& spec : specs) {
        for (FoundFile& file : findSpecFiles(spec, processEvents)) {
            auto same = [&](const std::string& name) { return sameText(name, file.storedName); };
            if (std::none_of(taken.begin(), taken.end(), same)) {
                taken.push_back(file.storedName);
                selected.push_back(std::move(file));
            }
        }
    }
    return selected;
}

// A hidden file beside the archive that the new archive is assembled in; removed unless put in place. Its
// descriptor, and with it the lock that keeps other writers from sweeping it, lives until the rename is done.
class TemporaryArchive {
public:
    explicit TemporaryArchive(const std::string& archive)
        : fd_(createHiddenTemporary(folderOf(archive), nameOf(archive), path_, archive, 0600)) {}
    TemporaryArchive(const TemporaryArchive&) = delete;
    TemporaryArchive& operator=(const TemporaryArchive&) = delete;
    ~TemporaryArchive() {
        if (!path_.empty())
            ::unlink(path_.c_str());
    }

    int fd() const { return fd_.get(); }
    const std::string& path() const { return path_; }

    // Renames the finished and flushed file to target, replacing what was there, and hands over its descriptor.
    OpenedFile putInPlace(const std::string& target) {
        if (::rename(path_.c_str(), target.c_str()) != 0)
            fail("Cannot create file", target, errno);
        path_.clear();
        // The rename itself should survive a crash too.
        syncFolder(folderOf(target));
        return OpenedFile{target, std::move(fd_)};
    }

private:
    std::string path_; // before fd_: the constructor fills it in while it creates fd_
    FileDescriptor fd_;
};

void copyRange(int fd, const std::string& path, uint64_t from, uint64_t to, ArchiveSink& out,
               const ProcessEvents& processEvents) {
    std::string piece(kCopyPieceSize, '\0');
    while (from < to) {
        size_t want = static_cast<size_t>(std::min<uint64_t>(piece.size(), to - from));
        ssize_t n = ::pread(fd, piece.data(), want, static_cast<off_t>(from));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            fail("Cannot read file", path, errno);
        if (n == 0)
            throw Error("\"" + path + "\" was cut short while it was read.");
        out.write(piece.data(), static_cast<size_t>(n));
        from += static_cast<uint64_t>(n);
        if (processEvents)
            processEvents();
    }
}

// Copies the entries of the existing archive unchanged and returns their central headers, moved by the bytes that
// preceded its first entry.
std::vector<std::string> copyExistingEntries(const ExistingArchive& existing, const std::string& path, ArchiveSink& out,
                                             const ProcessEvents& processEvents) {
    const ZipDirectory& old = existing.directory;
    copyRange(existing.fd.get(), path, old.dataStart, old.dataEnd, out, processEvents);
    std::vector<std::string> directory;
    for (const ZipDirectoryEntry& entry : old.entries)
        directory.push_back(movedCentralHeader(entry, entry.localHeaderOffset - old.dataStart));
    return directory;
}

void writeDirectoryAndEnd(ArchiveSink& out, const std::vector<std::string>& directory, bool zip64) {
    uint64_t directoryOffset = out.position();
    for (const std::string& header : directory)
        out.write(header);
    uint64_t directorySize = out.position() - directoryOffset;
    out.write(encodeEndRecords(directory.size(), directorySize, directoryOffset, zip64));
}

} // namespace

void ZipArchiveWriter::setCompressMethod(CompressionMethod method) {
    switch (method) {
    case CompressionMethod::Store:
    case CompressionMethod::Deflate:
    case CompressionMethod::Bzip2:
        compressMethod_ = method;
        break;
    default:
        break;
    }
}

void ZipArchiveWriter::setArchiveFile(const std::string& path) {
    archiveFile_ = changeFileExt(path, "") == path ? path + kDefaultExt : path;
}

int32_t ZipArchiveWriter::compress() {
    writtenArchive_.reset();
    return compressFiles();
}

int32_t ZipArchiveWriter::compressFiles() {
    // Event handlers that run during the call may change the settings; this call keeps those it started with.
    const std::string archive = archiveFile_;
    const CompressionMethod method = compressMethod_;
    const std::vector<std::string> specs = fileSpec_;
    const ZipProgress progress = progress_;
    const ProcessEvents processEvents = processEvents_;
    const unsigned threads = threads_ == 0 ? usableCores() : threads_;
    const std::optional<std::string> password = password_;
    if (password && password->empty())
        throw Error("An encrypted archive needs a password.");
    if (archive.empty())
        throw Error("No archive file is given.");
    // Here already, so that a call that compresses nothing clears what killed calls left behind too.
    removeStaleTemporaries(folderOf(archive), nameOf(archive));

    std::optional<ExistingArchive> existing = openExistingArchive(archive);
    std::vector<FoundFile> files = selectFiles(specs, existing, processEvents);
    if (files.empty())
        throw Error("No new file to compress.");
    uint64_t totalBytes = 0;
    for (const FoundFile& file : files)
        totalBytes += file.size;
    uint64_t bytesRead = 0;
    if (progress)
        progress(0, totalBytes);

    TemporaryArchive temporary(archive);
    std::unique_ptr<ArchiveSink> sink = std::make_unique<FileArchiveSink>(temporary.fd(), temporary.path());
    if (sinkFilter_)
        sink = sinkFilter_(std::move(sink));

    std::vector<std::string> directory;
    if (existing)
        directory = copyExistingEntries(*existing, archive, *sink, processEvents);

    ZipEntryWriter writer(*sink, method, threads, [&](size_t pieceSize) {
        bytesRead += pieceSize;
        if (progress)
            progress(bytesRead, totalBytes);
        if (processEvents)
            processEvents();
    });
    writer.setPassword(password);
    int32_t count = 0;
    bool zip64 = false;
    for (const FoundFile& file : files) {
        std::optional<WrittenEntry> entry = writer.write(file);
        if (!entry)
            continue;
        zip64 = zip64 || entry->header.zip64 || centralHeaderNeedsZip64(entry->header, entry->offset);
        directory.push_back(encodeCentralHeader(entry->header, entry->externalAttributes, entry->offset));
        ++count;
    }
    if (count == 0)
        throw Error(writer.dropReason());

    writeDirectoryAndEnd(*sink, directory, zip64);
    sink->flush();
    sink.reset();
    writtenArchive_ = temporary.putInPlace(archive);
    return count;
}

} // namespace tervolen
