#pragma once

#include "app/prune_backups.h"
#include "app/run_alerts.h"
#include "copies/compress_backup.h"
#include "copies/zip_archive_writer.h"
#include "core/clock.h"
#include "core/form_state.h"
#include "core/monitor_log.h"
#include "core/run_journal.h"
#include "delivery/ftp_client.h"
#include "delivery/mime_message.h"
#include "delivery/send_backup_by_ftp.h"
#include "delivery/send_backup_by_mail.h"
#include "delivery/smtp_client.h"
#include "services/backup_job.h"
#include "services/test_restore.h"

#include <functional>
#include <string>
#include <vector>

namespace tervolen {

// What the steps after a backup take from the window, read once the backup is done.
struct BackupChainSettings {
    std::string backupPath; // the backup folder shown in the window and the run's backup name
    bool testRestore = false;
    TestRestoreRequest testRestoreRequest;
    bool compress = false;
    CompressionSettings compression;
    std::vector<std::string> mirrorFolders;
    bool sendByMail = false;
    MailSettings mail;
    bool sendByFtp = false;
    FtpSettings ftp;
};

BackupChainSettings readBackupChainSettings(const FormState& form, const std::string& backupName);

// The writer and clients the steps use, kept by the program from run to run.
struct BackupChainTools {
    MonitorLog& monitor;
    ZipArchiveWriter& zip;
    SmtpClient& smtp;
    MailMessage& mailMessage;
    FtpClient& ftp;
    // The test restore of a finished backup, with the jobs and services of the program.
    std::function<TestRestoreOutcome(const TestRestoreRequest&)> testRestore;
};

// How a run is put in the journal, and the pruning that follows an ok run.
struct RunRecording {
    std::string journalPath;
    std::string origin; // "window", "schedule" or "cli"
    const Clock& clock;
    std::function<std::string()> backupName; // the run's backup file name, asked after the job
    std::function<PruneSettings()> readPruneSettings;
    RunAlerts alerts; // the report and command after every run
    // Told each run's record once the journal has it (or could not take it); may be empty.
    std::function<void(const RunRecord&)> recorded;
};

// The folder of the test database: the Verify group's, or the backup folder when that is empty.
std::string testRestoreFolder(const FormState& form);

// One backup with the steps that follow it: backup, test restore when set, compression, mirrors, e-mail, FTP. A
// backup that fails its test restore is not handed on. readSettings is asked once
// the backup is done; stopRequested before each step after it (true ends the chain there). Every run then gets its
// journal record; a run that finished every step without a red line is "ok" and prunes by the policy; then the
// alerts are raised (the report by e-mail as set, the command), whatever the result. Returns the
// backup job's result. Throws what the job, the e-mail step's port and the FTP step throw.
bool runBackupChain(BackupJob& job, bool unattended, const std::function<BackupChainSettings()>& readSettings,
                    const BackupChainTools& tools, const std::function<bool()>& stopRequested,
                    const RunRecording& recording);

// The e-mail and FTP steps of the chain for an archive that is already made (tervolen-cli send), each as set and
// unless stopRequested. Throws what those steps throw.
void runDeliverySteps(const OpenedFile& archive, const BackupChainSettings& settings, const BackupChainTools& tools,
                      const std::function<bool()>& stopRequested);

} // namespace tervolen
