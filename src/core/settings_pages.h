#pragma once

#include "core/dialogs.h"
#include "core/form_state.h"
#include "core/paths.h"
#include "core/settings_file.h"
#include "core/settings_table.h"

namespace tervolen {

// The Ok button of the Schedule page: stores the schedule and connection settings, checks the required
// fields, creates the default folders, saves the mirror list and minimises. Throws Error (a default
// folder that cannot be created carries the folder's path; settings and list file errors).
void saveSchedulePage(FormState& form, Dialogs& dialogs, const AppPaths& paths);
// The same without minimising; false when a required field was empty (its message was shown, nothing after it
// was stored).
bool storeSchedulePage(FormState& form, Dialogs& dialogs, const AppPaths& paths);

// The keys the page's save writes, with the controls' values as they stand: no field is required or filled.
void writePageRows(SettingsFile& settings, const FormState& form, SavedBy page);

// The OK button of the Config page: stores the option lists and the compression settings.
void saveConfigPage(FormState& form, const AppPaths& paths);

} // namespace tervolen
