#pragma once

#include "core/backup_sets.h"
#include "core/monitor_log.h"

namespace tervolen {

// Removes a file of a pruned set when it is still a regular file (a link or folder put at its name since is left
// alone). A navy Monitor line says it went, a red one why it could not; returns whether it is gone.
bool removeSetFile(const SetFile& file, MonitorLog& monitor);

} // namespace tervolen
