#include "copies/compress_backup.h"

#include "core/errors.h"
#include "core/paths.h"

#include <charconv>
#include <sys/stat.h>

namespace tervolen {

namespace {

std::string archiveExtension(const std::optional<CompressionMethod>& method) {
    if (!method)
        return {};
    return *method == CompressionMethod::Bzip2 ? ".bz2" : ".zip";
}

unsigned threadsFrom(const std::string& text, MonitorLog& monitor) {
    if (text.empty())
        return 0;
    unsigned threads = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), threads);
    if (error == std::errc() && end == text.data() + text.size() && threads <= kMostThreads)
        return threads;
    monitor.addMonitorLine("Compression Threads \"" + text + "\" is not a number of threads from 0 to " +
                               std::to_string(kMostThreads) + "; every core is used.",
                           kRed, kMonitorLineSize);
    return 0;
}

bool isRegularFile(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

} // namespace

std::optional<OpenedFile> compressBackup(const std::string& backupPath, const CompressionSettings& settings,
                                         ZipArchiveWriter& writer, MonitorLog& monitor) {
    if (!isRegularFile(backupPath))
        return std::nullopt;
    int compressedCount = 0;
    try {
        if (settings.method)
            writer.setCompressMethod(*settings.method);
        writer.setThreads(threadsFrom(settings.threads, monitor));
        writer.setPassword(settings.encrypt ? std::optional<std::string>(settings.password) : std::nullopt);
        writer.setArchiveFile(changeFileExt(backupPath, archiveExtension(settings.method)));
        writer.fileSpec().clear();
        writer.fileSpec().push_back(backupPath);
        monitor.addMonitorLine("Compressing File Please Wait... ", kGreen, kMonitorLineSize);
        try {
            compressedCount = writer.compress();
        } catch (const Error& error) {
            // The count line stays as it always was; the reason follows, so a failure never passes unseen.
            monitor.addMonitorLine("Compressed Files: 0", kGreen, kMonitorLineSize);
            monitor.addMonitorLine("Compression Error\r" + error.text(), kRed, kMonitorLineSize);
            return std::nullopt;
        }
        monitor.addMonitorLine("Compressed Files: " + std::to_string(compressedCount), kGreen, kMonitorLineSize);
        if (settings.encrypt)
            monitor.addMonitorLine("The archive is encrypted (AES-256): open it with 7-Zip or bsdtar and the password.",
                                   kGreen, kMonitorLineSize);
    } catch (const std::exception& e) {
        monitor.addMonitorLine(std::string("Compression Error\r") + e.what(), kRed, kMonitorLineSize);
    }
    std::optional<OpenedFile> archive = writer.takeArchive();
    if (compressedCount == 0)
        return std::nullopt;
    return archive;
}

} // namespace tervolen
