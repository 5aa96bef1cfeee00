#pragma once

#include "services/job_context.h"
#include "services/service_requests.h"

#include <string>

namespace tervolen {

// One backup run: the server writes a time-stamped backup of the configured database, its output goes
// to the Monitor and the log is saved when asked. The steps after it are the backup chain's (src/app).
class BackupJob {
public:
    // unattended: a scheduled run that nobody watches; messages go to the Monitor instead of a dialog.
    BackupJob(JobContext context, BackupService& service, std::string& currentBackupName);

    // Runs the job. Returns false when an error escaped its inner traps before the request stage, true
    // otherwise (also when the server reported errors, which are on the Monitor). Throws the errors of the
    // settings file and the final detach.
    bool run(bool unattended);

    // Whether the server finished the last run's backup ("Backup Finished") and the file under its name is still a
    // regular file: after a failed request or output (a server error, a lost connection) the file left behind may
    // be cut, and it must not be handed on as a good backup.
    bool backupFinished() const { return backupFinished_; }

    // Whether the last run sent its backup request to the server.
    bool requestSent() const { return requestSent_; }

private:
    void prepareRequest(const std::string& databasePath, const std::string& backupFolder);
    void applyProtocol(bool unattended);
    void writeBanners(bool verbose);
    // Red lines for the backup, mirror and log folders that every user may write.
    void warnAboutOpenFolders(const std::string& backupFolder);
    // A red line and Error when something (a file, a link, a folder) already has the backup's name.
    void refuseTakenBackupName();
    // Gives a finished local backup owner-only rights where the program may; false, with a red line, when its
    // name no longer holds a regular file.
    bool tightenBackupFile();
    // Saves the Monitor as the backup log, creating its folder; a failure is a red line and the chain goes on.
    void saveLog(const std::string& path);
    std::string logFilePath() const;
    void selectBackupOption();
    void attach();
    void runRequest();

    JobContext context_;
    BackupService& service_;
    std::string& currentBackupName_;
    bool requestSent_ = false;
    bool backupFinished_ = false;
    bool invalidProtocol_ = false;
};

} // namespace tervolen
