#pragma once

#include "core/form_state.h"

namespace tervolen {

// ChkBoxCompress: the method and level lists are usable exactly while compression is ticked.
void onCompressionToggled(FormState& form);

} // namespace tervolen
