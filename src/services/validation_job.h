#pragma once

#include "services/job_context.h"
#include "services/job_requests.h"
#include "services/service_requests.h"

#include <functional>

namespace tervolen {

// One validation run: after a "Warning" question the server checks or repairs the request's database and
// its output replaces what the Monitor holds.
class ValidationJob {
public:
    ValidationJob(JobContext context, ValidationService& service);

    // Runs the job with the fields of the Validation and Config pages (the handler of "Start Validation"),
    // read once the question is answered. A failed attach becomes the red 00027 line, a failed request or
    // output the red 00028 line. Throws, before any contact with the server, the error of a buffer size
    // that is no integer or lies outside 1..65535, and afterwards the error of the final detach.
    void run();
    // Runs the job with the request instead of the window's fields, failing as run() does.
    void run(const ValidationRequest& request);
    // Runs the request without the question and the page change, adding its lines to what the Monitor holds, as a
    // step of the backup chain; true when the server checked the database and reported nothing. Fails as run() does.
    bool runUnasked(const ValidationRequest& request);

private:
    void run(const std::function<ValidationRequest()>& request);
    // True when the server checked the database and its output held no finding.
    bool execute(const ValidationRequest& request, bool clearMonitor);
    void prepareRequest(const ValidationRequest& request);
    void attach();
    bool runRequest(bool clearMonitor);

    JobContext context_;
    ValidationService& service_;
};

} // namespace tervolen
