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
    const ValidationRequest fields = request();
    prepareRequest(fields);
    attach();
    if (fields.option)
        service_.options = {*fields.option};
    if (service_.active())
        runRequest();
    if (service_.active())
        service_.closeServiceManager();
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

void ValidationJob::runRequest() {
    MonitorLog& monitor = context_.monitor;
    try {
        service_.startAction();
        // Cleared only now that the server took the request, so a refusal leaves the earlier lines.
        monitor.clearMonitor();
        monitor.addMonitorLine("======== Validation Started ===========", kFuchsia, kMonitorLineSize);
        monitor.addMonitorLine("Validation Started at " + clockTime(context_.clock.now()) + " hours", kGreen,
                               kMonitorLineSize);
        while (!service_.outputEnded()) {
            if (service_.listsLimbo()) {
                for (const std::string& line : service_.readLimboLines())
                    monitor.appendOutputLine(line);
            } else {
                monitor.appendOutputLine(service_.readOutputLine());
            }
            context_.processEvents();
        }
        monitor.addMonitorLine("======== Validation Finished =========", kFuchsia, kMonitorLineSize);
    } catch (const std::exception& e) {
        addErrorCodeLine(monitor, ErrorCode::ValidationRun, e.what());
    }
}

} // namespace tervolen
