#include "copies/copy_to_mirrors.h"

#include "copies/file_copy.h"
#include "core/paths.h"

namespace tervolen {

std::vector<std::string> copyToMirrors(const OpenedFile& archive, const std::vector<std::string>& folders,
                                       MonitorLog& monitor) {
    const std::string archiveName = nameOf(archive.path);
    std::vector<std::string> copies;
    for (const std::string& folder : folders) {
        // An entry without a folder would name the root folder.
        if (folder.empty())
            continue;
        try {
            copies.push_back(copyFileKeepingExisting(archive, folder, archiveName));
        } catch (const std::exception& e) {
            monitor.addMonitorLine(std::string("Mirroring Error\r") + e.what(), kRed, kMonitorLineSize);
        }
    }
    return copies;
}

} // namespace tervolen
