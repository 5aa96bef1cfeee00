#pragma once

namespace tervolen {

// The number of cores this process may run on (its affinity mask), at least 1.
unsigned usableCores();

} // namespace tervolen
