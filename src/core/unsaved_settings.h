#pragma once

#include "core/form_state.h"
#include "core/paths.h"
#include "core/settings_table.h"

namespace tervolen {

// Whether the page's save (SaveSchedule or SaveConfig) would store other values than the settings file holds, as
// start-up reads them: a key the file lacks holds its default, so a file that was never saved does not count as
// changed. The Schedule page takes in the mirror list. Throws what reading the settings or the list file throws.
bool pageHasUnsavedChanges(const FormState& form, const AppPaths& paths, SavedBy page);

// Puts what the settings file and the mirror list hold for the Schedule and Config pages into form, as start-up
// does, and writes nothing. Throws what reading them throws.
void loadSavedPages(FormState& form, const AppPaths& paths);

} // namespace tervolen
