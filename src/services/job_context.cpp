#include "services/job_context.h"

namespace tervolen {

void AddErrorCodeLine(MonitorLog& monitor, const std::string& code, const std::string& errorText) {
    monitor.AddMonitorLine("Error Code " + code + " Internal System \r" + errorText, kRed, kMonitorLineSize);
}

} // namespace tervolen
