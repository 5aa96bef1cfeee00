#pragma once

#include "core/backup_sets.h"
#include "core/monitor_log.h"
#include "core/retention_policy.h"
#include "core/run_journal.h"

#include <vector>

namespace tervolen {

// What a pruning keeps and removes: the policy's decisions over the sets found, with their files.
struct RetentionPlan {
    BackupSets sets;
    std::vector<RetentionDecision> decisions; // newest first
};

// A set is good when its latest journal record says "ok", or it has no record and holds a backup or an archive.
RetentionPlan planRetention(BackupSets sets, const std::vector<RunRecord>& journal, const RetentionPolicy& policy);

// The files of the sets the plan removes, of the kinds given.
std::vector<SetFile> filesToRemove(const RetentionPlan& plan, const std::vector<SetFileKind>& kinds);

// The dry run's lines: each kept set with the rules that keep it, each removed file.
void reportRetentionPlan(const RetentionPlan& plan, MonitorLog& monitor);

// The journal without the records older than the oldest set kept, except those of sets whose files are still
// there (removed is the stamps whose files all went).
std::vector<RunRecord> trimmedJournal(const std::vector<RunRecord>& journal, const RetentionPlan& plan,
                                      const std::vector<std::string>& removed);

} // namespace tervolen
