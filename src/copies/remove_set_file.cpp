#include "copies/remove_set_file.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace tervolen {

bool removeSetFile(const SetFile& file, MonitorLog& monitor) {
    struct stat info {};
    if (::lstat(file.path.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
        monitor.addMonitorLine("\"" + file.path + "\" is no longer a regular file; it is left alone.", kRed,
                               kMonitorLineSize);
        return false;
    }
    if (::unlink(file.path.c_str()) != 0) {
        if (errno == ENOENT)
            return true;
        monitor.addMonitorLine("Cannot remove \"" + file.path + "\". " + std::strerror(errno), kRed, kMonitorLineSize);
        return false;
    }
    monitor.addMonitorLine("Removed " + file.path, kNavy, kMonitorLineSize);
    return true;
}

} // namespace tervolen
