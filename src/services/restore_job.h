#pragma once

#include "services/job_context.h"
#include "services/job_requests.h"
#include "services/service_requests.h"

#include <functional>

namespace tervolen {

// One restore run: after a "Warning" question the server rebuilds the request's database from its backup
// file; its output follows what the Monitor holds.
class RestoreJob {
public:
    RestoreJob(JobContext context, RestoreService& service);

    // Runs the job with the fields of the Restore and Config pages (the handler of "Start Restore"),
    // read once the question is answered. Every failure between the reading of the fields and the detach
    // becomes the red 00026 line; errors of the settings file and of the final detach are thrown.
    void run();
    // Runs the job with the request instead of the window's fields, failing as run() does.
    void run(const RestoreRequest& request);
    // Runs the request without the question and the page change, with the server's lines whatever the Verbose
    // setting, as a step of the backup chain; true when the server restored the whole database. Fails as run()
    // does.
    bool runUnasked(const RestoreRequest& request);

private:
    void run(const std::function<RestoreRequest()>& request);
    bool execute(const RestoreRequest& request, bool verbose);
    void prepareRequest(const RestoreRequest& request, bool verbose);
    void runRequest(bool verbose);

    JobContext context_;
    RestoreService& service_;
};

} // namespace tervolen
