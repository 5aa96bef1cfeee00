#pragma once

#include "app/backup_chain.h"
#include "copies/zip_archive_writer.h"
#include "core/clock.h"
#include "core/control_names.h"
#include "core/dialogs.h"
#include "core/form_state.h"
#include "core/monitor_log.h"
#include "core/paths.h"
#include "core/schedule.h"
#include "core/tray_status.h"
#include "delivery/ftp_client.h"
#include "delivery/mime_message.h"
#include "delivery/smtp_client.h"
#include "services/backup_job.h"
#include "services/restore_job.h"
#include "services/service_requests.h"
#include "services/test_restore.h"
#include "services/validation_job.h"

#include <filesystem>
#include <functional>
#include <string>

namespace tervolen {

// The main window's logic without the window: it registers the handlers of the controls through
// FormState, runs start-up, the schedule and the commands. The Qt window and the command-line tool
// each give it their form state and dialogs.
class Program {
public:
    struct Options {
        bool registerAutostart = true; // never as root
        // Applies a language file of the folder "Lang" to the window; empty without a window.
        std::function<void(const std::string& fileName)> applyLanguageFile;
        // Asked between the steps of a job; true ends the job after its current step.
        std::function<bool()> stopRequested;
        // Told how far the compression of a backup has come.
        ZipProgress compressionProgress;
        // Bounds on the network waits of the e-mail and FTP steps.
        NetworkTimeouts networkTimeouts;
        // How the journal names a backup started by hand: from the window, or "cli" from tervolen-cli.
        std::string manualRunOrigin = "window";
        // Opens a URL with the desktop's viewer or browser; false when none took it. Empty without a window.
        std::function<bool(const std::string& url)> openUrl;
        // The current language's text for an English one; empty: English.
        Translate translate;
        // Shows the last run's result on the notification-area icon, and pops a notification after a failed
        // run. Empty without a window.
        std::function<void(const TrayStatus&)> showRunStatus;
        std::function<void(const TrayNotice&)> notify;
        // The folder the Help tab's manual is looked for from.
        std::filesystem::path executableDir = executablePath().parent_path();
    };

    // How a backup run ended.
    struct BackupOutcome {
        bool started = false;      // false when another job was running
        bool result = false;       // the job's result
        bool requestSent = false;  // the backup request reached the server
        bool escapedError = false; // an error escaped the job and was reported
    };

    static constexpr const char* kJobRunning = "A backup, restore or validation is already running.";
    static constexpr const char* kUnsavedPages =
        "The Schedule or Config page has changes that are not saved. Save them before the backup?";

    Program(FormState& form, Dialogs& dialogs, MonitorLog& monitor, AppPaths paths, const Clock& clock,
            ProcessEvents processEvents, Options options);
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // The start-up steps of the main window; an error that escapes a step is shown by the default error
    // report and ends the steps. Throws UntrustedFileError, which the caller shows before it ends the program.
    void startup();

    // A red Monitor line when every user may write the settings file's folder; called after Startup.
    void warnAboutOpenFolders();

    // Called once after Startup: a red Monitor line names the ticked hours of today that passed while the program
    // was stopped, and with [SCHEDULE] CatchUp one scheduled backup runs for them, unless now's hour is ticked and
    // the schedule starts one anyway. An unreadable journal or settings file is a red line too.
    void checkMissedRuns();

    // The handler of the schedule timer; does nothing while the timer is disabled or a job runs.
    void onScheduleTick();

    // Runs one backup with its post-processing chain. An error that escapes the job is reported once:
    // by the default error report, or as a red Monitor line for a scheduled run.
    BackupOutcome runBackup(bool scheduled);
    // The e-mail and FTP steps for an existing archive, as the chain runs them after a backup. Refused while
    // another job runs; an archive that cannot be opened, and an error that escapes a step, go to the default
    // error report. False when it was refused or an error escaped.
    bool sendArchive(const std::string& archivePath);
    // The restore and the validation with plain values instead of the window's fields; refused while
    // another job runs, and an escaping error is reported as their buttons report it.
    void runRestore(const RestoreRequest& request);
    void runValidation(const ValidationRequest& request);
    // The test restore of the backup chain for any backup file, with the Verify group's folder; refused while
    // another job runs. False when it was refused, failed, or an error escaped (reported).
    bool verifyBackup(const std::string& backupFile);
    // Prunes the backup sets by the Retention group's policy, or with dryRun shows on the Monitor page what it
    // would keep and remove; refused while another job runs.
    void runPrune(bool dryRun);
    // Shows the journal's last run on the notification-area icon, its age as of now: after each run, and
    // from a timer. A journal that cannot be read leaves the icon as it was.
    void refreshRunStatus();
    bool timerEnabled() const { return schedule_.timerEnabled(); }

    const Schedule& schedule() const { return schedule_; }
    const std::string& currentBackupName() const { return currentBackupName_; }
    BackupService& backupService() { return backup_; }
    const AppPaths& paths() const { return paths_; }

private:
    void registerHandlers();
    // Registers a click handler whose escaping errors go to the default error report.
    void onClick(const char* control, std::function<void()> handler);
    void reportError(const std::exception& error);
    void applyAutostartChoice();
    // While an hour is ticked, asks before the program ends, unless the user said not to ask again.
    bool quitConfirmed();
    void onStartBackup();
    void onRunRecorded(const RunRecord& run);
    // The Config page's OK; false when the archive passwords disagree and nothing was saved.
    bool saveConfig();
    // Asks whether to save pages with unsaved changes before a backup started by hand, and saves them on Yes.
    // Returns the answer, Yes when nothing was unsaved, Cancel when a save stopped at a field.
    Dialogs::Answer saveChangedPages();
    BackupOutcome runBackupOn(FormState& form, bool scheduled);
    std::string translated(const std::string& text) const;
    // The restore and validation buttons; refused while another job runs.
    // Runs job as the only job; while another runs it is refused with kJobRunning.
    void runAlone(const std::function<void()>& job);
    void onStartRestore();
    void onStartValidation();
    void onHelpTopics();
    void openUrl(const std::string& url);
    JobContext jobContext(FormState& form);
    JobContext jobContext() { return jobContext(form_); }
    BackupChainTools chainTools(FormState& form);
    BackupChainTools chainTools() { return chainTools(form_); }
    TestRestoreOutcome testRestore(const TestRestoreRequest& request, FormState& form);
    void pauseWithEvents(std::chrono::milliseconds duration);

    FormState& form_;
    Dialogs& dialogs_;
    MonitorLog& monitor_;
    AppPaths paths_;
    const Clock& clock_;
    ProcessEvents processEvents_;
    Options options_;
    Schedule schedule_;
    BackupService backup_{"Backup", controls::FrmPrincipal};
    RestoreService restore_{"Restore", controls::FrmPrincipal};
    ValidationService validation_{"Validation", controls::FrmPrincipal};
    // The chain's own services: nobody answers a login dialog in a scheduled run.
    RestoreService testRestore_{"TestRestore", controls::FrmPrincipal};
    ValidationService testValidation_{"TestValidation", controls::FrmPrincipal};
    std::string currentBackupName_;
    bool jobRunning_ = false;
    ZipArchiveWriter zip_;
    SmtpClient smtp_;
    MailMessage mailMessage_;
    FtpClient ftp_;
    // The settings file's failure is reported once until an access succeeds again.
    bool settingsFailureReported_ = false;
};

} // namespace tervolen
