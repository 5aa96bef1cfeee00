#pragma once

#include "core/clock.h"
#include "core/dialogs.h"
#include "core/error_codes.h"
#include "core/form_state.h"
#include "core/paths.h"
#include "core/monitor_log.h"

#include <chrono>
#include <functional>
#include <string>

namespace tervolen {

// What a job uses of the main window and the platform.
struct JobContext {
    FormState& form;
    Dialogs& dialogs;
    MonitorLog& monitor;
    const AppPaths& paths;
    const Clock& clock;
    // Lets the window process pending events while the job waits for the server.
    ProcessEvents processEvents;
    // Waits between two questions to the server whether the service still runs.
    std::function<void(std::chrono::milliseconds)> pause;
    // True when the program is asked to end: the job stops after its current step.
    std::function<bool()> stopRequested;
};

// The error code line (core/error_codes.h) in red, size 10.
void addErrorCodeLine(MonitorLog& monitor, ErrorCode code, const std::string& errorText);

} // namespace tervolen
