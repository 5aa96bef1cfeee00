#pragma once

#include "copies/zip_archive_writer.h"
#include "core/posix_file.h"
#include "core/monitor_log.h"

#include <optional>
#include <string>

namespace tervolen {

// What the compression step takes from the window.
struct CompressionSettings {
    // Deflate (".zip") or Bzip2 (".bz2"); nothing keeps the writer's method and gives the archive ".zip".
    std::optional<CompressionMethod> method;
    // The Threads setting: empty or "0" is every core; what is not a whole number from 0 to kMostThreads counts
    // as empty, with a Monitor line.
    std::string threads = {};
    // New entries are encrypted with AES-256 under password; an empty password then refuses the step.
    bool encrypt = false;
    std::string password = {};
};

inline constexpr unsigned kMostThreads = 256;

// Packs the backup just written (backupPath) into a ZIP archive beside it and reports on the Monitor. Only a
// regular file under the backup's name is compressed, never what a link there points to. Returns the archive,
// open through the descriptor it was written with, when at least one file was compressed; a failure is a red
// "Compression Error" line.
std::optional<OpenedFile> compressBackup(const std::string& backupPath, const CompressionSettings& settings,
                                         ZipArchiveWriter& writer, MonitorLog& monitor);

} // namespace tervolen
