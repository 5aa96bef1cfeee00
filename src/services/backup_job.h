#pragma once

#include "services/job_context.h"
#include "services/service_requests.h"

#include <functional>
#include <string>

namespace tervolen {

// One backup run: the server writes a time-stamped backup of the configured database, its output goes
// to the Monitor, the log is saved when asked, and the post-processing chain follows.
class BackupJob {
public:
    // The chain that follows a backup while compression is ticked (compression, mirrors, e-mail, FTP).
    using PostProcessing = std::function<void()>;

    // unattended: a scheduled run that nobody watches; messages go to the Monitor instead of a dialog.
    BackupJob(JobContext context, TpFIBBackupService& service, std::string& currentBackupName);

    // Runs the job. Returns false when an error escaped its inner traps before the request stage, true
    // otherwise (also when the server reported errors, which are on the Monitor). The post-processing
    // chain follows only a backup that the server finished: after a failed request or output (a server
    // error, a lost connection) the file left behind may be cut and is not handed on as a good backup.
    // Throws the errors of the settings file, the final detach, the automatic log save and the chain.
    bool Run(bool unattended, const PostProcessing& postProcessing);

    // Whether the last run sent its backup request to the server.
    bool requestSent() const { return requestSent_; }

private:
    void prepareRequest(const std::string& databasePath, const std::string& backupFolder);
    void applyProtocol(bool unattended);
    void writeBanners(bool verbose);
    void selectBackupOption();
    void attach();
    void runRequest();

    JobContext context_;
    TpFIBBackupService& service_;
    std::string& currentBackupName_;
    bool requestSent_ = false;
    bool backupFinished_ = false;
    bool invalidProtocol_ = false;
};

} // namespace tervolen
