#pragma once

#include "core/monitor_log.h"
#include "delivery/ftp_client.h"

#include <optional>
#include <string>
#include <vector>

namespace tervolen {

inline constexpr const char* kFtpNotPruned =
    "The FTP server does not list folders (MLSD); the FTP folder was not pruned.";

// The names of the plain files of the current folder, listed with MLSD; nothing when the server cannot list it
// that way (no MLST feature, or MLSD refused), which one Monitor line says. Throws the other failures.
std::optional<std::vector<std::string>> listFtpFolder(FtpClient& ftp, MonitorLog& monitor);

} // namespace tervolen
