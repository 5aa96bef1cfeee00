#include "services/restore_job.h"

#include "core/settings_file.h"
#include "core/text_conversion.h"
#include "core/time_format.h"
#include "services/connection_settings.h"

#include <iterator>

namespace tervolen {

namespace {

constexpr const char* kRestoreWarning =
    "Its Strongly recomended you disconectall users and Shutdown from your database before proceed, Restore "
    "backups covering online databases can corrupt it do you want to continue?";

const TRestoreOption kRestoreOptionRows[] = {
    TRestoreOption::DeactivateIndexes,  TRestoreOption::NoShadow, TRestoreOption::NoValidityCheck,
    TRestoreOption::OneRelationAtATime, TRestoreOption::Replace,  TRestoreOption::CreateNewDB,
    TRestoreOption::UseAllSpace,
};

} // namespace

RestoreJob::RestoreJob(JobContext context, TpFIBRestoreService& service)
    : context_(std::move(context)), service_(service) {}

void RestoreJob::Run() {
    if (!context_.dialogs.askYesNo("Warning", kRestoreWarning))
        return;
    // The job only reads the settings, so a save made while it runs is never overwritten.
    bool verbose = ReadSettings(context_.paths.settingsFile, [](const SettingsFile& file) {
        return !file.ReadText("VERBOSEMODE", "Verbose", "").empty();
    });
    context_.form.setActivePage(static_cast<int>(Page::Monitor));
    try {
        selectRestoreOption();
        prepareRequest(verbose);
        service_.setActive(true);
        runRequest(verbose);
        service_.setActive(false);
    } catch (const std::exception& e) {
        AddErrorCodeLine(context_.monitor, ErrorCode::Restore, e.what());
    }
    if (service_.active())
        service_.CloseServiceManager();
}

void RestoreJob::selectRestoreOption() {
    int row = context_.form.itemIndex("clListaRestore");
    if (row >= 0 && row < static_cast<int>(std::size(kRestoreOptionRows)))
        service_.options = {kRestoreOptionRows[row]};
}

void RestoreJob::prepareRequest(bool verbose) {
    const FormState& form = context_.form;
    service_.databaseName.clear();
    service_.backupFile.clear();
    service_.setLibraryName(form.text("ClientLibFilenameEdit"));
    service_.setParamValue("user_name", form.text("EdUserName"));
    service_.setParamValue("password", form.text("EdPswd"));
    service_.databaseName = {form.text("EditRestore")};
    service_.backupFile = {form.text("EditGBK")};
    service_.pageSize = StrToInt(form.text("LabeledEdPageSize"));
    // Like the other jobs, the restore follows the protocol field; a text that names no protocol keeps
    // the one the service had. The protocol goes first, since Local clears the server name.
    if (auto protocol = ProtocolFromText(form.text("CB_Protocol")))
        service_.setProtocol(*protocol);
    service_.setServerName(form.text("EdServerName"));
    service_.verbose = verbose;
}

void RestoreJob::runRequest(bool verbose) {
    MonitorLog& monitor = context_.monitor;
    service_.StartAction();
    monitor.AddMonitorLine("=========== Restore Started ===========", kFuchsia, kMonitorLineSize);
    monitor.AddMonitorLine("Restore Started at " + ClockTime(context_.clock.now()) + " hours", kGreen,
                           kMonitorLineSize);
    if (!verbose)
        monitor.AddMonitorLine("No Status lines, Verbose mode is off!", kNavy, kMonitorLineSize);
    while (!service_.outputEnded()) {
        monitor.AppendOutputLine(service_.ReadOutputLine());
        context_.processEvents();
    }
    monitor.AddMonitorLine("=========== Restore Finished =========", kFuchsia, kMonitorLineSize);
}

} // namespace tervolen
