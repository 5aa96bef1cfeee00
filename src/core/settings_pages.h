#pragma once

#include "core/dialogs.h"
#include "core/form_state.h"
#include "core/paths.h"

namespace tervolen {

// The Ok button of the Schedule page: stores the schedule and connection settings, checks the required
// fields, creates the default folders, saves the mirror list and minimises. Throws Error (a default
// folder that cannot be created carries the folder's path; settings and list file errors).
void saveSchedulePage(FormState& form, Dialogs& dialogs, const AppPaths& paths);

// The OK button of the Config page: stores the option lists and the compression settings.
void saveConfigPage(FormState& form, const AppPaths& paths);

} // namespace tervolen
