#pragma once

#include "core/dialogs.h"
#include "core/form_state.h"

namespace tervolen {

// ChkBoxCompress: the method and level lists are usable exactly while compression is ticked.
void onCompressionToggled(FormState& form);

// Whether the archive password was entered the same twice; when not, says so and puts the focus on the second.
bool archivePasswordsAgree(FormState& form, Dialogs& dialogs);

} // namespace tervolen
