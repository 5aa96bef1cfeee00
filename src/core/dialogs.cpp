#include "core/dialogs.h"

#include "core/errors.h"

namespace tervolen {

void reportError(Dialogs& dialogs, const std::exception& error) {
    dialogs.errorReport(defaultErrorReportText(error.what()));
}

} // namespace tervolen
