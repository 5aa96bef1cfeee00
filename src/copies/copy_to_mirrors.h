#pragma once

#include "core/posix_file.h"
#include "core/monitor_log.h"

#include <string>
#include <vector>

namespace tervolen {

// Copies the run's archive, read through its open descriptor, into every mirror folder, creating missing folders
// and never overwriting a file there. A copy that fails is reported as a red Monitor line and the others go on;
// an empty folder entry (a damaged list record) is passed over. Returns the paths of the copies made.
std::vector<std::string> copyToMirrors(const OpenedFile& archive, const std::vector<std::string>& folders, MonitorLog& monitor);

} // namespace tervolen
