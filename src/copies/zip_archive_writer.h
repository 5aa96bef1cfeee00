#pragma once

#include "copies/zip_codec.h"
#include "copies/zip_sink.h"
#include "core/clock.h"
#include "core/posix_file.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tervolen {

// Reports the bytes of source read so far and the size of all sources: once when the search is done, then
// after each input piece.
using ZipProgress = std::function<void(uint64_t bytesRead, uint64_t totalBytes)>;

// Wraps the output that an archive is assembled in; tests use it to make writes fail.
using ArchiveSinkFilter = std::function<std::unique_ptr<ArchiveSink>(std::unique_ptr<ArchiveSink>)>;

// Writes single-volume ZIP archives: new entries are deflated at level 9 or Bzip2-compressed with
// 900 000-byte blocks; ZIP64 fields appear only where sizes or offsets need them.
class ZipArchiveWriter {
public:
    static constexpr const char* kDefaultExt = ".zip";

    CompressionMethod compressMethod() const { return compressMethod_; }
    // Values other than Store, Deflate and Bzip2 leave the setting unchanged.
    void setCompressMethod(CompressionMethod method);

    const std::string& archiveFile() const { return archiveFile_; }
    // A path without an extension gets kDefaultExt appended.
    void setArchiveFile(const std::string& path);

    // Paths whose name part may hold "*" and "?". The caller clears the list and adds entries.
    std::vector<std::string>& fileSpec() { return fileSpec_; }
    const std::vector<std::string>& fileSpec() const { return fileSpec_; }

    // Threads that code Deflate and Bzip2 entries; 0 (the default) is as many as the cores this process may run on.
    unsigned threads() const { return threads_; }
    void setThreads(unsigned threads) { threads_ = threads; }

    // With a password, new entries are encrypted with WinZip AES-256 (AE-2); entries already there stay as they are.
    const std::optional<std::string>& password() const { return password_; }
    void setPassword(std::optional<std::string> password) { password_ = std::move(password); }

    void setProgress(ZipProgress progress) { progress_ = std::move(progress); }
    // Runs after each folder entry searched, each source piece read and each piece of an existing archive copied.
    void setProcessEvents(ProcessEvents processEvents) { processEvents_ = std::move(processEvents); }
    void setSinkFilter(ArchiveSinkFilter filter) { sinkFilter_ = std::move(filter); }

    // Adds every file that fileSpec takes to archiveFile, after the entries of an archive already there (a new
    // file whose name is taken there is not added). The archive is assembled in a hidden temporary file in its
    // own folder and renamed into place: a failure leaves an existing archive as it was and no temporary file.
    // Temporaries of this archive that a killed call left behind are removed. A file at the archive path that is
    // not a ZIP archive is left alone. Returns the number of files compressed, at least 1. Throws Error with the
    // reason when nothing was compressed or anything failed.
    int32_t compress();

    // The archive that the last successful Compress put in place, open through the descriptor it was written
    // with, so that the steps after it read those bytes whatever happens to its name; empty after a failure.
    std::optional<OpenedFile> takeArchive() { return std::exchange(writtenArchive_, std::nullopt); }

private:
    int32_t compressFiles();

    CompressionMethod compressMethod_ = CompressionMethod::Deflate;
    std::string archiveFile_;
    std::vector<std::string> fileSpec_;
    unsigned threads_ = 0;
    std::optional<std::string> password_;
    ZipProgress progress_;
    ProcessEvents processEvents_;
    ArchiveSinkFilter sinkFilter_;
    std::optional<OpenedFile> writtenArchive_;
};

} // namespace tervolen
