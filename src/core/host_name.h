#pragma once

#include <string>

namespace tervolen {

// This machine's name as it introduces itself; empty when the system names none.
std::string localHostName();

} // namespace tervolen
