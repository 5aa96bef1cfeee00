#include "copies/remove_set_file.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace tervolen {

bool removeSetFile(const SetFile& file, MonitorLog& monitor) {
    struct stat info {};
    int error = 0;
    if (::lstat(file.path.c_str(), &info) != 0)
        error = errno;
    else if (!S_ISREG(info.st_mode))
        error = EPERM;
    else if (::unlink(file.path.c_str()) != 0)
        error = errno;
    if (error == ENOENT)
        return true;
    if (error != 0) {
        monitor.addMonitorLine("Cannot remove \"" + file.path + "\". " + std::strerror(error), kRed, kMonitorLineSize);
        return false;
    }
    monitor.addMonitorLine("Removed " + file.path, kNavy, kMonitorLineSize);
    return true;
}

} // namespace tervolen
