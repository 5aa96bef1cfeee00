#pragma once

#include "core/dialogs.h"
#include "core/form_state.h"

namespace tervolen {

// Add Mirror: with compression ticked, appends the folder the user picks to MirrorListView; otherwise
// offers to show the compression option.
void AddMirrorClick(FormState& form, Dialogs& dialogs);

// Remove Mirror: deletes the entry that has the focus and is selected; nothing otherwise.
void RemoveMirrorClick(FormState& form);

} // namespace tervolen
