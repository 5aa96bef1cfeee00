#include "services/job_context.h"

namespace tervolen {

void AddErrorCodeLine(MonitorLog& monitor, ErrorCode code, const std::string& errorText) {
    monitor.addMonitorLine(ErrorCodeLine(code, errorText), kRed, kMonitorLineSize);
}

} // namespace tervolen
