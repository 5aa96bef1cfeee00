#include "app/prune_backups.h"

#include "app/ftp_settings_form.h"
#include "copies/remove_set_file.h"
#include "core/control_names.h"
#include "core/retention_plan.h"
#include "core/run_journal.h"
#include "core/text_conversion.h"
#include "delivery/ftp_folder_listing.h"

#include <algorithm>
#include <optional>
#include <set>

namespace tervolen {

namespace {

int count(const FormState& form, const char* control) {
    return std::max(0, tryStrToInt(trim(form.text(control))).value_or(0));
}

void reportError(MonitorLog& monitor, const std::string& what, const std::exception& error) {
    monitor.addMonitorLine(what + "\r" + error.what(), kRed, kMonitorLineSize);
}

// Deletes the pruned sets' uploads; a refused DELE is a red line and the others go on, a lost connection ends it.
void deleteFtpFiles(const std::vector<SetFile>& files, FtpClient& ftp, MonitorLog& monitor,
                    std::set<std::string>& failed) {
    for (const SetFile& file : files) {
        try {
            ftp.deleteFile(file.path);
            monitor.addMonitorLine("Removed from the FTP server: " + file.path, kNavy, kMonitorLineSize);
        } catch (const FtpReplyError& error) {
            failed.insert(file.path);
            reportError(monitor, "Cannot remove \"" + file.path + "\" from the FTP server.", error);
        }
    }
}

std::string stampOfFile(const RetentionPlan& plan, const std::string& path) {
    for (const auto& [stamp, files] : plan.sets)
        for (const SetFile& file : files)
            if (file.path == path)
                return stamp;
    return {};
}

void prune(const PruneSettings& settings, const RetentionPlan& plan, const std::vector<RunRecord>& journal,
           FtpClient* listedFtp, MonitorLog& monitor) {
    std::set<std::string> failed;
    for (const SetFile& file :
         filesToRemove(plan, {SetFileKind::Backup, SetFileKind::Archive, SetFileKind::MirrorCopy, SetFileKind::Log}))
        if (!removeSetFile(file, monitor))
            failed.insert(file.path);
    if (listedFtp != nullptr)
        deleteFtpFiles(filesToRemove(plan, {SetFileKind::FtpArchive}), *listedFtp, monitor, failed);
    std::set<std::string> keptStamps;
    for (const std::string& path : failed)
        keptStamps.insert(stampOfFile(plan, path));
    std::vector<std::string> removed;
    for (const RetentionDecision& decision : plan.decisions)
        if (!decision.keep && !keptStamps.contains(decision.stamp))
            removed.push_back(decision.stamp);
    const std::vector<RunRecord> trimmed = trimmedJournal(journal, plan, removed);
    if (trimmed.size() != journal.size())
        rewriteRunJournal(settings.journalPath, trimmed);
}

} // namespace

RetentionPolicy readRetentionPolicy(const FormState& form) {
    return {count(form, controls::SpinKeepLast), count(form, controls::SpinKeepDaily),
            count(form, controls::SpinKeepWeekly), count(form, controls::SpinKeepMonthly),
            count(form, controls::SpinKeepYearly)};
}

PruneSettings readPruneSettings(const FormState& form, const AppPaths& paths) {
    PruneSettings settings;
    settings.policy = readRetentionPolicy(form);
    settings.locations.backupFolder = form.text(controls::eDirBackup);
    settings.locations.backupExtension = form.text(controls::CB_BkpExt);
    for (int i = 0; i < form.itemCount(controls::MirrorListView); ++i)
        settings.locations.mirrorFolders.push_back(form.itemText(controls::MirrorListView, i));
    settings.locations.logPrefix = form.text(controls::LogFileEdit);
    settings.pruneFtp = form.checked(controls::ChkBoxSentFTP);
    settings.ftp = readFtpSettings(form);
    settings.journalPath = runJournalPath(paths.settingsFile);
    return settings;
}

void pruneBackups(const PruneSettings& settings, FtpClient& ftp, MonitorLog& monitor, bool dryRun) {
    if (!settings.policy.prunes()) {
        if (dryRun)
            monitor.addMonitorLine("No retention rule is set: nothing is pruned.", kNavy, kMonitorLineSize);
        return;
    }
    BackupSets sets = findBackupSets(settings.locations);
    std::optional<FtpConnection> connection;
    if (settings.pruneFtp) {
        try {
            connection.emplace(ftp, settings.ftp);
            if (const auto names = listFtpFolder(ftp, monitor))
                addFtpSetFiles(sets, *names);
            else
                connection.reset();
        } catch (const std::exception& error) {
            connection.reset();
            reportError(monitor, "The FTP folder was not pruned.", error);
        }
    }
    std::vector<RunRecord> journal;
    try {
        journal = readRunJournal(settings.journalPath);
    } catch (const std::exception& error) {
        // Without the journal a failed run's set would pass as good.
        reportError(monitor, "Nothing was pruned.", error);
        return;
    }
    const RetentionPlan plan = planRetention(std::move(sets), journal, settings.policy);
    if (dryRun) {
        reportRetentionPlan(plan, monitor);
        return;
    }
    try {
        prune(settings, plan, journal, connection ? &ftp : nullptr, monitor);
    } catch (const std::exception& error) {
        reportError(monitor, "Pruning Error", error);
    }
}

} // namespace tervolen
