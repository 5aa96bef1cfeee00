#pragma once

namespace tervolen {

// Flushes the standard streams and ends the process with status, without exit handlers or static
// destructors. A client library running the embedded engine may still have threads finishing their work
// after the last service was detached: the library's own exit handlers, and fb_shutdown (which unloads
// the engine), would run under them and crash the program at its very end.
[[noreturn]] void endProcess(int status);

} // namespace tervolen
