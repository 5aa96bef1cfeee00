#pragma once

#include "services/job_context.h"
#include "services/service_requests.h"

namespace tervolen {

// One restore run (the handler of "Start Restore"): after a "Warning" question the server rebuilds the
// database of EditRestore from the backup file of EditGBK; its output follows what the Monitor holds.
class RestoreJob {
public:
    RestoreJob(JobContext context, TpFIBRestoreService& service);

    // Runs the job. Every failure between the option choice and the detach becomes the red 00026 line;
    // errors of the settings file and of the final detach are thrown.
    void Run();

private:
    // The highlighted row of clListaRestore gives the option; no row keeps the previous Options.
    void selectRestoreOption();
    void prepareRequest(bool verbose);
    void runRequest(bool verbose);

    JobContext context_;
    TpFIBRestoreService& service_;
};

} // namespace tervolen
