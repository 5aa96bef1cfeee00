#pragma once

#include "services/job_context.h"
#include "services/service_requests.h"

namespace tervolen {

// One validation run (the handler of "Start Validation"): after a "Warning" question the server checks
// or repairs the database of DBValidateEdit and its output replaces what the Monitor holds.
class ValidationJob {
public:
    ValidationJob(JobContext context, TpFIBValidationService& service);

    // Runs the job. A failed attach becomes the red 00027 line, a failed request or output the red 00028
    // line. Throws, before any contact with the server, the error of a buffer size that is no integer or
    // lies outside 1..65535, and afterwards the error of the final detach.
    void Run();

private:
    void prepareRequest();
    void attach();
    // The highlighted row of clListaValidation gives the option; no row keeps the previous Options.
    void selectValidationOption();
    void runRequest();

    JobContext context_;
    TpFIBValidationService& service_;
};

} // namespace tervolen
