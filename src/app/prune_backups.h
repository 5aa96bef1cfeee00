#pragma once

#include "core/backup_sets.h"
#include "core/form_state.h"
#include "core/monitor_log.h"
#include "core/paths.h"
#include "core/retention_policy.h"
#include "delivery/ftp_client.h"
#include "delivery/send_backup_by_ftp.h"

#include <string>

namespace tervolen {

// What pruning takes from the window: the policy, where the sets lie, the FTP delivery and the journal.
struct PruneSettings {
    RetentionPolicy policy;
    BackupSetLocations locations;
    bool pruneFtp = false;
    FtpSettings ftp;
    std::string journalPath;
};

// The policy's counts read from the Retention group (text that is no whole number, or below 0, is 0).
RetentionPolicy readRetentionPolicy(const FormState& form);
PruneSettings readPruneSettings(const FormState& form, const AppPaths& paths);

// Prunes the backup folder, the mirrors, the log folder and, with FTP delivery on, the FTP folder by the
// policy, then drops the journal's records older than the oldest set kept. With dryRun it only says what it
// would keep (with the rules) and remove. A policy of all zeros does nothing. Failures are red Monitor lines.
void pruneBackups(const PruneSettings& settings, FtpClient& ftp, MonitorLog& monitor, bool dryRun);

} // namespace tervolen
