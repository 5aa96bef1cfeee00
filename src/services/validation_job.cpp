#include "services/validation_job.h"

#include "core/text_conversion.h"
#include "core/time_format.h"
#include "services/connection_settings.h"

#include <iterator>

namespace tervolen {

namespace {

constexpr const char* kValidationWarning =
    "Its Strongly recomended you disconectall users from your database before proceed, do you want to continue?";

const TValidateOption kValidationOptionRows[] = {
    TValidateOption::LimboTransactions, TValidateOption::CheckDB,      TValidateOption::IgnoreChecksum,
    TValidateOption::KillShadows,       TValidateOption::MendDB,       TValidateOption::SweepDB,
    TValidateOption::ValidateDB,        TValidateOption::ValidateFull,
};

} // namespace

ValidationJob::ValidationJob(JobContext context, TpFIBValidationService& service)
    : context_(std::move(context)), service_(service) {}

void ValidationJob::Run() {
    if (!context_.dialogs.askYesNo("Warning", kValidationWarning))
        return;
    context_.form.setActivePage(static_cast<int>(Page::Monitor));
    prepareRequest();
    attach();
    selectValidationOption();
    if (service_.active())
        runRequest();
    if (service_.active())
        service_.CloseServiceManager();
}

void ValidationJob::prepareRequest() {
    const FormState& form = context_.form;
    service_.databaseName = form.text("DBValidateEdit");
    service_.setBufferSize(StrToInt(form.text("ValidateBufferEdit")));
    if (auto protocol = ProtocolFromText(form.text("CB_Protocol")))
        service_.setProtocol(*protocol);
    ApplyConnectionSettings(form, service_);
}

void ValidationJob::attach() {
    try {
        service_.OpenServiceManager();
    } catch (const std::exception& e) {
        AddErrorCodeLine(context_.monitor, ErrorCode::ValidationAttach, e.what());
    }
}

void ValidationJob::selectValidationOption() {
    int row = context_.form.itemIndex("clListaValidation");
    if (row >= 0 && row < static_cast<int>(std::size(kValidationOptionRows)))
        service_.options = {kValidationOptionRows[row]};
}

void ValidationJob::runRequest() {
    MonitorLog& monitor = context_.monitor;
    try {
        service_.StartAction();
        // Cleared only now that the server took the request, so a refusal leaves the earlier lines.
        monitor.ClearMonitor();
        monitor.AddMonitorLine("======== Validation Started ===========", kFuchsia, kMonitorLineSize);
        monitor.AddMonitorLine("Validation Started at " + ClockTime(context_.clock.now()) + " hours", kGreen,
                               kMonitorLineSize);
        while (!service_.outputEnded()) {
            monitor.AppendOutputLine(service_.ReadOutputLine());
            context_.processEvents();
        }
        monitor.AddMonitorLine("======== Validation Finished =========", kFuchsia, kMonitorLineSize);
    } catch (const std::exception& e) {
        AddErrorCodeLine(monitor, ErrorCode::ValidationRun, e.what());
    }
}

} // namespace tervolen
