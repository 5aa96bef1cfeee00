#include "copies/copy_to_mirrors.h"

#include "copies/file_copy.h"
#include "core/paths.h"

#include <filesystem>

namespace tervolen {

void CopyToMirrors(const FormState& form, MonitorLog& monitor, const std::string& currentBackupName,
                   const std::function<void()>& sendBackupByMail) {
    for (const char* extension : {".bz2", ".zip"}) {
        std::string archiveName = ChangeFileExt(currentBackupName, extension);
        std::string source = form.text("eDirBackup") + kPathDelim + archiveName;
        std::error_code ec;
        if (!std::filesystem::exists(source, ec))
            continue;
        for (int i = 0; i < form.itemCount("MirrorListView"); ++i) {
            std::string folder = form.itemText("MirrorListView", i);
            // An entry without a folder (a damaged list record) would name the root folder.
            if (folder.empty())
                continue;
            try {
                CopyFileKeepingExisting(source, folder, archiveName);
            } catch (const std::exception& e) {
                monitor.AddMonitorLine(std::string("Mirroring Error\r") + e.what(), kRed, kMonitorLineSize);
            }
        }
    }
    if (form.checked("ChkBoxBkpMail") && sendBackupByMail)
        sendBackupByMail();
}

} // namespace tervolen
