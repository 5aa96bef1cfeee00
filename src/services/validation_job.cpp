#include "services/validation_job.h"

#include "core/time_format.h"

namespace tervolen {

namespace {

constexpr const char* kValidationWarning =
    "Its Strongly recomended you disconectall users from your database before proceed, do you want to continue?";

} // namespace

ValidationJob::ValidationJob(JobContext context, ValidationService& service)
    : context_(std::move(context)), service_(service) {}

void ValidationJob::run() {
    run([this] { return validationRequestFromForm(context_.form); });
}

void ValidationJob::run(const ValidationRequest& request) {
    run([&request] { return request; });
}

void ValidationJob::run(const std::function<ValidationRequest()>& request) {
    if (!context_.dialogs.askYesNo("Warning", kValidationWarning))
        return;
    context_.form.setActivePage(static_cast<int>(Page::Monitor));
    execute(request(), true);
}

bool ValidationJob::runUnasked(const ValidationRequest& request) {
    return execute(request, false);
}

bool ValidationJob::execute(const ValidationRequest& request, bool clearMonitor) {
    prepareRequest(request);
    attach();
    if (request.option)
        service_.options = {*request.option};
    bool clean = false;
    if (service_.active())
        clean = runRequest(clearMonitor);
    if (service_.active())
        service_.closeServiceManager();
    return clean;
}

void ValidationJob::prepareRequest(const ValidationRequest& request) {
    service_.databaseName = request.database;
    service_.setBufferSize(request.bufferSize);
    if (request.connection.protocol)
        service_.setProtocol(*request.connection.protocol);
    service_.setLibraryName(request.connection.libraryName);
    service_.setServerName(request.connection.serverName);
    service_.setParamValue("user_name", request.connection.userName);
    service_.setParamValue("password", request.connection.password);
}

void ValidationJob::attach() {
    try {
        service_.openServiceManager();
    } catch (const std::exception& e) {
        addErrorCodeLine(context_.monitor, ErrorCode::ValidationAttach, e.what());
    }
}

bool ValidationJob::runRequest(bool clearMonitor) {
    MonitorLog& monitor = context_.monitor;
    try {
        service_.startAction();
        // Cleared only now that the server took the request, so a refusal leaves the earlier lines.
        if (clearMonitor)
            monitor.clearMonitor();
        monitor.addMonitorLine("======== Validation Started ===========", kFuchsia, kMonitorLineSize);
        monitor.addMonitorLine("Validation Started at " + clockTime(context_.clock.now()) + " hours", kGreen,
                               kMonitorLineSize);
        // The server says nothing about a sound database: every line it writes reports a finding.
        bool findings = false;
        while (!service_.outputEnded()) {
            if (service_.listsLimbo()) {
                for (const std::string& line : service_.readLimboLines())
                    monitor.appendOutputLine(line);
            } else {
                const std::string line = service_.readOutputLine();
                findings = findings || !line.empty();
                monitor.appendOutputLine(line);
            }
            context_.processEvents();
        }
        monitor.addMonitorLine("======== Validation Finished =========", kFuchsia, kMonitorLineSize);
        return !findings;
    } catch (const std::exception& e) {
        addErrorCodeLine(monitor, ErrorCode::ValidationRun, e.what());
        return false;
    }
}

} // namespace tervolen
