#include "copies/compress_backup.h"

#include "core/paths.h"

#include <optional>
#include <sys/stat.h>

namespace tervolen {

std::string BackupPath(const FormState& form, const std::string& currentBackupName) {
    return form.text("eDirBackup") + kPathDelim + currentBackupName;
}

void CompressBackup(const FormState& form, MonitorLog& monitor, ZipArchiveWriter& writer,
                    const std::string& currentBackupName,
                    const std::function<void(const OpenedFile& archive)>& copyToMirrors) {
    int compressedCount = 0;
    struct stat info {};
    if (::lstat(BackupPath(form, currentBackupName).c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
        form.checked("ChkBoxCompress")) {
        try {
            std::string extension;
            switch (form.itemIndex("CBCompMetho")) {
            case 0:
                writer.setCompressMethod(CompressMethod::cmDeflate);
                extension = ".zip";
                break;
            case 1:
                writer.setCompressMethod(CompressMethod::cmBZip2);
                extension = ".bz2";
                break;
            default:
                break;
            }
            std::string backupPath = BackupPath(form, currentBackupName);
            writer.setArchiveFile(ChangeFileExt(backupPath, extension));
            writer.fileSpec().clear();
            writer.fileSpec().push_back(backupPath);
            monitor.AddMonitorLine("Compressing File Please Wait... ", kGreen, kMonitorLineSize);
            compressedCount = writer.Compress();
            monitor.AddMonitorLine("Compressed Files: " + std::to_string(compressedCount), kGreen, kMonitorLineSize);
            // The writer keeps its failures to itself; an archive that could not be made must not pass unseen.
            if (compressedCount == 0 && !writer.lastError().empty())
                monitor.AddMonitorLine("Compression Error\r" + writer.lastError(), kRed, kMonitorLineSize);
        } catch (const std::exception& e) {
            monitor.AddMonitorLine(std::string("Compression Error\r") + e.what(), kRed, kMonitorLineSize);
        }
    }
    std::optional<OpenedFile> archive = writer.takeArchive();
    if (compressedCount > 0 && archive && form.itemCount("MirrorListView") > 0 && copyToMirrors)
        copyToMirrors(*archive);
}

} // namespace tervolen
