#pragma once

#include "core/dialogs.h"
#include "core/form_state.h"
#include "core/paths.h"

namespace tervolen {

// Add Mirror: with compression ticked, appends the folder the user picks to MirrorListView; otherwise offers to
// show the compression option.
void onAddMirror(FormState& form, Dialogs& dialogs);

// Remove Mirror: deletes the entry that has the focus and is selected; nothing otherwise.
void onRemoveMirror(FormState& form);

// CheckBackupLog: automatic saving into LogFileEdit (set to DefaultLogs) or saving by hand.
void onAutomaticLogToggled(FormState& form, const AppPaths& paths);

} // namespace tervolen
