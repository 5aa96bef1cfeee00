#pragma once

#include "core/form_state.h"

namespace tervolen {

// Click on ChkBoxCompress: the method and level lists are usable exactly while compression is ticked.
void ChkBoxCompressClick(FormState& form);

} // namespace tervolen
