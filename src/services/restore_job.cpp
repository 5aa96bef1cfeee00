#include "services/restore_job.h"

#include "core/settings_values.h"
#include "core/time_format.h"

#include <optional>

namespace tervolen {

namespace {

constexpr const char* kRestoreWarning =
    "Its Strongly recomended you disconectall users and Shutdown from your database before proceed, Restore "
    "backups covering online databases can corrupt it do you want to continue?";

} // namespace

RestoreJob::RestoreJob(JobContext context, RestoreService& service)
    : context_(std::move(context)), service_(service) {}

void RestoreJob::run() {
    run([this] { return restoreRequestFromForm(context_.form); });
}

void RestoreJob::run(const RestoreRequest& request) {
    run([&request] { return request; });
}

void RestoreJob::run(const std::function<RestoreRequest()>& request) {
    if (!context_.dialogs.askYesNo("Warning", kRestoreWarning))
        return;
    // The job only reads the settings, so a save made while it runs is never overwritten.
    const bool verbose = readRestoreFileSettings(context_.paths.settingsFile).verbose;
    context_.form.setActivePage(static_cast<int>(Page::Monitor));
    // Reading the fields can fail too (a page size that is no number): the same red line as a server refusal.
    std::optional<RestoreRequest> built;
    try {
        built = request();
    } catch (const std::exception& e) {
        addErrorCodeLine(context_.monitor, ErrorCode::Restore, e.what());
        return;
    }
    execute(*built, verbose);
}

bool RestoreJob::runUnasked(const RestoreRequest& request) {
    // Always verbose: the server's lines tell where a damaged backup stops, and a Firebird 3 server whose quiet
    // restore of a cut backup fails can no longer format any message (every later service of it prints "can't
    // format message") until it is restarted; a verbose one does not do that.
    return execute(request, true);
}

bool RestoreJob::execute(const RestoreRequest& request, bool verbose) {
    bool restored = false;
    try {
        prepareRequest(request, verbose);
        service_.setActive(true);
        runRequest(verbose);
        service_.setActive(false);
        restored = true;
    } catch (const std::exception& e) {
        addErrorCodeLine(context_.monitor, ErrorCode::Restore, e.what());
    }
    if (service_.active())
        service_.closeServiceManager();
    return restored;
}

void RestoreJob::prepareRequest(const RestoreRequest& request, bool verbose) {
    if (request.option)
        service_.options = {*request.option};
    service_.databaseName.clear();
    service_.backupFile.clear();
    service_.setLibraryName(request.connection.libraryName);
    service_.setParamValue("user_name", request.connection.userName);
    service_.setParamValue("password", request.connection.password);
    service_.databaseName = {request.database};
    service_.backupFile = {request.backupFile};
    service_.pageSize = request.pageSize;
    // Like the other jobs, the restore follows the protocol field; a text that names no protocol keeps
    // the one the service had. The protocol goes first, since Local clears the server name.
    if (request.connection.protocol)
        service_.setProtocol(*request.connection.protocol);
    service_.setServerName(request.connection.serverName);
    service_.verbose = verbose;
}

void RestoreJob::runRequest(bool verbose) {
    MonitorLog& monitor = context_.monitor;
    service_.startAction();
    monitor.addMonitorLine("=========== Restore Started ===========", kFuchsia, kMonitorLineSize);
    monitor.addMonitorLine("Restore Started at " + clockTime(context_.clock.now()) + " hours", kGreen,
                           kMonitorLineSize);
    if (!verbose)
        monitor.addMonitorLine("No Status lines, Verbose mode is off!", kNavy, kMonitorLineSize);
    while (!service_.outputEnded()) {
        monitor.appendOutputLine(service_.readOutputLine());
        context_.processEvents();
    }
    monitor.addMonitorLine("=========== Restore Finished =========", kFuchsia, kMonitorLineSize);
}

} // namespace tervolen
