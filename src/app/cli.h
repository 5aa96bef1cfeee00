#pragma once

namespace tervolen {

// The command-line tool: "backup" runs one backup with its chain, "restore" and "validate" run those
// jobs, "run" serves the schedule until SIGTERM, SIGINT or SIGHUP. Returns the exit status: 0 success, 1 failure,
// 2 usage error.
int runCli(int argc, char** argv);

} // namespace tervolen
