#pragma once

#include "core/form_state.h"

namespace tervolen {

// ChkBoxCompress: the method and level lists are usable exactly while compression is ticked.
void OnCompressionToggled(FormState& form);

} // namespace tervolen
