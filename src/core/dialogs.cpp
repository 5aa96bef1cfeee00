#include "core/dialogs.h"

#include "core/errors.h"

namespace tervolen {

void ReportError(Dialogs& dialogs, const std::exception& error) {
    dialogs.errorReport(DefaultErrorReportText(error.what()));
}

} // namespace tervolen
