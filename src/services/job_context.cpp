#include "services/job_context.h"

namespace tervolen {

void AddErrorCodeLine(MonitorLog& monitor, ErrorCode code, const std::string& errorText) {
    monitor.AddMonitorLine(ErrorCodeLine(code, errorText), kRed, kMonitorLineSize);
}

} // namespace tervolen
