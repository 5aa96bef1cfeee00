#include "services/job_context.h"

namespace tervolen {

void addErrorCodeLine(MonitorLog& monitor, ErrorCode code, const std::string& errorText) {
    monitor.addMonitorLine(errorCodeLine(code, errorText), kRed, kMonitorLineSize);
}

} // namespace tervolen
