#pragma once

namespace tervolen {

// Makes the process safe for the files it handles before anything else runs: new files and folders are for
// their owner only (umask 077) and a crash writes no core file (which would hold passwords and pages of the
// database). Throws Error when the core limit cannot be set.
void hardenProcess();

} // namespace tervolen
