#include "copies/copy_to_mirrors.h"

#include "copies/file_copy.h"
#include "core/paths.h"

namespace tervolen {

void CopyToMirrors(const FormState& form, MonitorLog& monitor, const OpenedFile& archive,
                   const std::function<void()>& sendBackupByMail) {
    const std::string archiveName = NameOf(archive.path);
    for (int i = 0; i < form.itemCount("MirrorListView"); ++i) {
        std::string folder = form.itemText("MirrorListView", i);
        // An entry without a folder (a damaged list record) would name the root folder.
        if (folder.empty())
            continue;
        try {
            CopyFileKeepingExisting(archive, folder, archiveName);
        } catch (const std::exception& e) {
            monitor.AddMonitorLine(std::string("Mirroring Error\r") + e.what(), kRed, kMonitorLineSize);
        }
    }
    if (form.checked("ChkBoxBkpMail") && sendBackupByMail)
        sendBackupByMail();
}

} // namespace tervolen
